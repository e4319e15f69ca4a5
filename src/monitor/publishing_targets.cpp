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
#include "common/ftp_listing.h"
#include "common/ftp_path.h"
#include "common/ftp_staged_upload.h"
#include "common/platform_files.h"
#include "common/text.h"
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

constexpr unsigned kStatusSendingToFtp = 3;
// The server may still be writing the file when the transfer ends.
constexpr std::chrono::milliseconds kWaitBeforeSizeCheck{3000};

const char* const kTransferFailed = "Erro na transferencia do arquivo para o FTP. A planilha não foi enviada.";

std::string ftpTargetStatement(int reportId) {
    return " select ID_RELATORIO, NM_RELATORIO, HO_PUBLICACAO,  DS_PASTA_FTP, DS_SERVIDOR_FTP, DS_USUARIO_FTP,"
           " DS_SENHA_FTP, NO_PORTA_FTP, QT_HORAS_CRONOMETRO, TP_AGENDAMENTO from tab_relatorio where id_relatorio = " +
           std::to_string(reportId);
}

std::string folderTargetStatement(int reportId) {
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

// False when the server refused; a cancelled rename still ends the attempt.
bool renamed(FtpClient& ftp, const std::string& from, const std::string& to) {
    try {
        ftp.rename(from, to);
        return true;
    } catch (const FtpCancelled&) {
        throw;
    } catch (const FtpError&) {
        return false;
    }
}

// The new workbook takes the name of the report's previous publication, which stays readable until then. Some
// servers (Windows ones among them) refuse to rename onto an existing name: there the old copy is moved aside
// first and deleted once the new one is in place. Moving it aside also proves that the server renames at all,
// so one that refuses every rename keeps its old copy.
void replacePreviousCopy(FtpClient& ftp, FtpStagedUpload& workbook, const std::string& remoteName) {
    std::string aside;
    try {
        workbook.renameTo(remoteName);
        return;
    } catch (const FtpCancelled&) {
        throw;
    } catch (const FtpError&) {
        const std::vector<std::string> listing = ftp.nameList();
        if (!listingHolds(listing, remoteName)) {
            throw;
        }
        aside = temporaryFtpName(remoteName, listing);
        if (!renamed(ftp, remoteName, aside)) {
            throw;
        }
    }
    try {
        workbook.renameTo(remoteName);
    } catch (const FtpError&) {
        renamed(ftp, aside, remoteName);
        throw;
    }
    try {
        ftp.deleteFile(aside);
    } catch (const FtpError&) {
        // Under its hidden name the old copy misleads nobody.
    }
}

}  // namespace

std::int64_t measureFileSize(const fs::path& file) {
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

PublicationResult PublishingTargets::uploadWorkbookToFtp(int reportId) {
    Connection& database = services_.database();
    const ResultSet row = reportRow(database, ftpTargetStatement(reportId), reportId);
    const std::string reportName = row.field(0, "NM_RELATORIO").asString();
    const fs::path workbook = existingWorkbook(utf8Path(services_.settings().programFolder()), reportName);
    const std::string remoteName = utf8Text(workbook.filename());

    services_.setStatus(kStatusSendingToFtp);
    const std::int64_t localSize = measureFileSize(workbook);
    FtpSettings settings;
    settings.host = row.field(0, "DS_SERVIDOR_FTP").asString();
    settings.user = row.field(0, "DS_USUARIO_FTP").asString();
    settings.password = row.field(0, "DS_SENHA_FTP").asString();
    settings.port = static_cast<int>(row.field(0, "NO_PORTA_FTP").asInteger());
    settings.passive = true;
    settings.trustFolder = services_.settings().locateServerDataFolder().path;
    const std::string remoteFolder = row.field(0, "DS_PASTA_FTP").asString();
    PublicationResult result{false,
                             serverLocation(serverAddress(trimmed(settings.host), settings.port)) +
                                 (remoteFolder.starts_with('/') ? "" : "/") + remoteFolder,
                             localSize, {}};
    ftp_.setSettings(std::move(settings));

    MonitorUi& ui = services_.ui();
    try {
        const FtpConnectionScope scope(ftp_);
        ftp_.connect();
        ftp_.changeDirectory(remoteFolder);
        FtpStagedUpload staged(ftp_, remoteName, ftp_.nameList());
        staged.send(workbook);
        services_.clock().sleep(kWaitBeforeSizeCheck);
        if (!staged.arrivedWhole(localSize)) {
            throw FtpError(kTransferFailed);
        }
        replacePreviousCopy(ftp_, staged, remoteName);
    } catch (const FtpError& error) {
        ui.setObservationText(error.what());
        result.error = error.what();
        return result;
    }
    // Recorded before any event is handled: an end request served there must not leave a workbook that is out on
    // the server but not rescheduled, to go out again at the next start.
    storeNextPublication(reportId, nextPublicationTime(scheduleOf(row), services_.clock()), database,
                         services_.clock());
    result.ok = true;
    ui.processPendingEvents();
    return result;
}

PublicationResult PublishingTargets::saveWorkbookToFolder(int reportId) {
    Connection& database = services_.database();
    const ResultSet row = reportRow(database, folderTargetStatement(reportId), reportId);
    const std::string reportName = row.field(0, "NM_RELATORIO").asString();
    const fs::path workbook = existingWorkbook(utf8Path(services_.settings().programFolder()), reportName);
    // Joined as written: the folder is expected to end with its separator.
    const std::string folder = row.field(0, "DS_PASTA_SALVAR").asString();
    const fs::path target = utf8Path(folder + workbookFileName(reportName));
    copyFileReplacing(workbook, target);
    storeNextPublication(reportId, nextPublicationTime(scheduleOf(row), services_.clock()), database,
                         services_.clock());
    std::error_code unknown;
    const auto bytes = fs::file_size(target, unknown);
    return {true, folder, unknown ? 0 : static_cast<std::int64_t>(bytes), {}};
}

}  // namespace velmora
