#include "reports/report_workbook_run.h"

#include <exception>
#include <stdexcept>
#include <system_error>

#include "common/file_error.h"
#include "common/utf8_path.h"
#include "reports/report_errors.h"
#include "reports/workbook.h"
#include "reports/workbook_file.h"

namespace velmora {

namespace {

namespace fs = std::filesystem;

// The old workbook itself stays until the new one is complete, so a failed run leaves it as it was.
void prepareFolderAndFile(const fs::path& folder, const fs::path& file, const WorkbookRunMessages& messages,
                          InteractiveSession* interactive) {
    try {
        std::error_code error;
        if (!fs::is_directory(folder, error)) {
            fs::create_directories(folder, error);
            if (!fs::is_directory(folder, error)) {
                throw std::runtime_error("Não pode ser Criado o Diretório " + utf8Text(folder));
            }
        }
        if (const int blocker = replaceBlocker(file)) {
            throw std::runtime_error(fs::exists(file, error) ? messages.inUse
                                                             : workbookWriteError(file, fileErrorReason(blocker)));
        }
    } catch (const std::exception&) {
        if (interactive != nullptr) {
            interactive->showReportMessage(messages.inUse, messages.inUseIcon);
            throw SilentAbort();
        }
        throw;
    }
}

void startWorkbook(Workbook& workbook, const fs::path& file, const WorkbookRunMessages& messages,
                   InteractiveSession* interactive) {
    try {
        workbook.saveAs(file);
    } catch (const std::exception&) {
        workbook.close();
        if (interactive != nullptr) {
            interactive->showReportMessage(messages.notCreated, messages.notCreatedIcon);
            throw SilentAbort();
        }
        throw;  // unattended: the reason now, not a later unrelated failure
    }
}

}  // namespace

void stopWatchedRunWithoutRows(bool noRows, InteractiveSession* interactive) {
    if (noRows && interactive != nullptr) {
        interactive->showReportMessage("Não foi encontrado nenhum registro para geração do arquivo.",
                                       ReportMessageIcon::Exclamation);
        throw SilentAbort();
    }
}

void startRowProgress(InteractiveSession* interactive, std::size_t rows) {
    if (interactive != nullptr) {
        interactive->progressWindow().startProgress("Aguarde ...", "Gerando a planilha... ...",
                                                    "Aguarde o processamento...", 0, static_cast<int>(rows));
    }
}

void writeReportWorkbook(const fs::path& folder, const fs::path& file, const WorkbookRunMessages& messages,
                         InteractiveSession* interactive, const std::function<void(Workbook&)>& fill) {
    prepareFolderAndFile(folder, file, messages, interactive);

    Workbook workbook;
    startWorkbook(workbook, file, messages, interactive);

    std::exception_ptr failure;
    try {
        fill(workbook);
    } catch (...) {
        failure = std::current_exception();
    }
    workbook.autoFitColumns();
    // A failed run keeps the previous workbook; a complete one that cannot be saved is a failure too.
    if (!failure) {
        try {
            workbook.save();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    workbook.close();
    if (failure) {
        std::rethrow_exception(failure);
    }
    if (interactive != nullptr) {
        interactive->openWorkbook(file);
    }
}

}  // namespace velmora
