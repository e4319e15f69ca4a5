#include "monitor/publishing_targets.h"

#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "common/clock.h"
#include "common/connection.h"
#include "common/file_copy.h"
#include "common/file_descriptor.h"
#include "common/file_error.h"
#include "common/ftp_client.h"
#include "common/platform_files.h"
#include "common/utf8_path.h"
#include "monitor/erp_settings.h"
#include "monitor/monitor_services.h"
#include "monitor/monitor_ui.h"
#include "monitor/publication_schedule.h"
#include "reports/sales_workbook_writer.h"
#include "reports/workbook_file_name.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

constexpr unsigned kEnviandoParaFtp = 3;
// The server may still be writing the file when the transfer ends.
constexpr std::chrono::milliseconds kWaitBeforeSizeCheck{3000};

const char* const kTransferFailed = "Erro na transferencia do arquivo para o FTP. A planilha não foi enviada.";

std::string instrucaoEnvioFtp(int reportId) {
    return " select ID_RELATORIO, NM_RELATORIO, HO_PUBLICACAO,  DS_PASTA_FTP, DS_SERVIDOR_FTP, DS_USUARIO_FTP,"
           " DS_SENHA_FTP, NO_PORTA_FTP, QT_HORAS_CRONOMETRO, TP_AGENDAMENTO from tab_relatorio where id_relatorio = " +
           std::to_string(reportId);
}

std::string instrucaoSalvarPasta(int reportId) {
    return " select ID_RELATORIO, NM_RELATORIO, DS_PASTA_SALVAR, HO_PUBLICACAO, TP_PUBLICACAO, QT_HORAS_CRONOMETRO,"
           " TP_AGENDAMENTO from tab_relatorio where id_relatorio = " +
           std::to_string(reportId);
}

ResultSet reportRow(Connection& connection, const std::string& statement, int reportId) {
    ResultSet row = connection.query(statement);
    if (row.empty()) {
        throw std::runtime_error("O relatório " + std::to_string(reportId) +
                                 " não existe mais na tabela de relatórios; nada foi publicado.");
    }
    return row;
}

ReportSchedule scheduleOf(const ResultSet& row) {
    return ReportSchedule{static_cast<int>(row.field(0, "TP_AGENDAMENTO").asInteger()),
                          row.field(0, "HO_PUBLICACAO").asString(),
                          static_cast<int>(row.field(0, "QT_HORAS_CRONOMETRO").asInteger())};
}

// A workbook that is not there was not built; publishing nothing in silence would hide that.
fs::path existingWorkbook(const fs::path& programFolder, const std::string& reportName) {
    const fs::path workbook = workbookPath(programFolder, reportName);
    std::error_code error;
    if (!fs::is_regular_file(workbook, error)) {
        throw std::runtime_error("A planilha do relatório " + reportName + " não foi encontrada em " +
                                 utf8Text(workbook) + "; o relatório não foi publicado.");
    }
    return workbook;
}

// Case as Windows servers compare names: ASCII letters and the accented letters of Latin-1 (UTF-8 C3 80..9E).
std::string foldedCase(const std::string& name) {
    std::string folded = name;
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const auto byte = static_cast<unsigned char>(folded[i]);
        if (byte >= 'A' && byte <= 'Z') {
            folded[i] = static_cast<char>(byte + 32);
        } else if (byte == 0xC3 && i + 1 < folded.size()) {
            const auto next = static_cast<unsigned char>(folded[i + 1]);
            if (next >= 0x80 && next <= 0x9E && next != 0x97) {
                folded[i + 1] = static_cast<char>(next + 32);
            }
            ++i;
        }
    }
    return folded;
}

// The name part of a listing entry; some servers answer NLST with paths.
std::string listedName(const std::string& entry) {
    const auto slash = entry.find_last_of('/');
    return slash == std::string::npos ? entry : entry.substr(slash + 1);
}

// APPE adds to a file of the same name, so an old copy goes first. A name that differs only in case is the same
// file on a server that ignores case and another file on one that does not; there a refused delete is fine, the
// size check still catches an append.
void deleteOldCopy(FtpClient& ftp, const std::string& remoteName) {
    bool exact = false;
    bool sameIgnoringCase = false;
    for (const std::string& entry : ftp.nameList()) {
        const std::string name = listedName(entry);
        exact = exact || name == remoteName;
        sameIgnoringCase = sameIgnoringCase || foldedCase(name) == foldedCase(remoteName);
    }
    if (exact) {
        ftp.deleteFile(remoteName);
    } else if (sameIgnoringCase) {
        try {
            ftp.deleteFile(remoteName);
        } catch (const FtpError&) {
        }
    }
}

}  // namespace

std::int64_t ObterTamanhoArquivo(const fs::path& file) {
    const FileDescriptor descriptor(platform::openFile(file, platform::OpenMode::ReadExclusive));
    if (!descriptor.valid()) {
        throw std::runtime_error(fileErrorMessage("abrir", file, errno));
    }
    const long long size = platform::fileSize(descriptor.get());
    if (size < 0) {
        throw std::runtime_error(fileErrorMessage("ler", file, errno));
    }
    return static_cast<std::int64_t>(size);
}

PublicationResult PublishingTargets::EnviarPlanilhaFTP(int reportId) {
    Connection& database = services_.database();
    const ResultSet row = reportRow(database, instrucaoEnvioFtp(reportId), reportId);
    const std::string reportName = row.field(0, "NM_RELATORIO").asString();
    const fs::path workbook = existingWorkbook(utf8Path(services_.settings().programFolder()), reportName);
    const std::string remoteName = utf8Text(workbook.filename());

    services_.DefinirSituacao(kEnviandoParaFtp);
    const std::int64_t localSize = ObterTamanhoArquivo(workbook);
    FtpSettings settings;
    settings.host = row.field(0, "DS_SERVIDOR_FTP").asString();
    settings.user = row.field(0, "DS_USUARIO_FTP").asString();
    settings.password = row.field(0, "DS_SENHA_FTP").asString();
    settings.port = static_cast<int>(row.field(0, "NO_PORTA_FTP").asInteger());
    settings.passive = true;
    const std::string remoteFolder = row.field(0, "DS_PASTA_FTP").asString();
    PublicationResult result{false,
                             "ftp://" + settings.host + ":" + std::to_string(settings.port) +
                                 (remoteFolder.starts_with('/') ? "" : "/") + remoteFolder,
                             localSize, {}};
    ftp_.setSettings(std::move(settings));

    MonitorUi& ui = services_.ui();
    bool verified = false;
    try {
        const FtpConnectionScope scope(ftp_);
        ftp_.connect();
        ftp_.changeDirectory(row.field(0, "DS_PASTA_FTP").asString());
        deleteOldCopy(ftp_, remoteName);
        try {
            ftp_.appendUpload(workbook, remoteName);
        } catch (const FtpError&) {
            // What arrived of a broken transfer is no workbook; leave none behind for its readers.
            try {
                ftp_.deleteFile(remoteName);
            } catch (const FtpError&) {
            }
            throw;
        }
        services_.clock().sleep(kWaitBeforeSizeCheck);
        // Only the same size is the file: a larger one means the data went onto an old copy.
        if (ftp_.remoteSize(remoteName) == localSize) {
            verified = true;
        } else {
            ftp_.deleteFile(remoteName);
            ui.setObservationText(kTransferFailed);
            result.error = kTransferFailed;
        }
    } catch (const FtpError& error) {
        ui.setObservationText(error.what());
        result.error = error.what();
        return result;
    }
    ui.processPendingEvents();
    if (verified) {
        GravarProximaPublicacao(reportId, CalcularProximaPublicacao(scheduleOf(row), services_.clock()), database,
                                services_.clock());
        result.ok = true;
    }
    return result;
}

PublicationResult PublishingTargets::SalvarPlanilhaPasta(int reportId) {
    Connection& database = services_.database();
    const ResultSet row = reportRow(database, instrucaoSalvarPasta(reportId), reportId);
    const std::string reportName = row.field(0, "NM_RELATORIO").asString();
    const fs::path workbook = existingWorkbook(utf8Path(services_.settings().programFolder()), reportName);
    // Joined as written: the folder is expected to end with its separator.
    const std::string folder = row.field(0, "DS_PASTA_SALVAR").asString();
    const fs::path target = utf8Path(folder + workbookFileName(reportName));
    copyFileReplacing(workbook, target);
    GravarProximaPublicacao(reportId, CalcularProximaPublicacao(scheduleOf(row), services_.clock()), database,
                            services_.clock());
    std::error_code unknown;
    const auto bytes = fs::file_size(target, unknown);
    return {true, folder, unknown ? 0 : static_cast<std::int64_t>(bytes), {}};
}

}  // namespace velmora
