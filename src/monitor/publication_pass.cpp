#include "monitor/publication_pass.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

#include "common/clock.h"
#include "common/connection.h"
#include "common/sql_text.h"
#include "common/utf8_path.h"
#include "monitor/erp_settings.h"
#include "monitor/failure_notice.h"
#include "monitor/monitor_services.h"
#include "monitor/monitor_ui.h"
#include "monitor/network_error.h"
#include "monitor/publication_outcomes.h"
#include "monitor/publication_schedule.h"
#include "monitor/run_journal.h"
#include "reports/price_list.h"

namespace velmora {

namespace {

constexpr std::chrono::milliseconds kPauseBetweenReports{3000};
constexpr int kSalesReport = 1;
constexpr int kFtpPublication = 2;

std::string passStatement() {
    return " select ID_RELATORIO, NM_RELATORIO, ID_USUARIO, DT_CRIACAO, ST_EXIGIR_CATEGORIA, ST_ATIVO, HO_PUBLICACAO,"
           " ID_EMPRESA, QT_MESES_PUBLICACAO, DS_PASTA_FTP, DS_SERVIDOR_FTP, DS_USUARIO_FTP, DS_SENHA_FTP,"
           " NO_PORTA_FTP, DH_ULTIMA_PUBLIC, DH_PROXIMA_PUBLIC, ID_TP_RELATORIO, TP_PUBLICACAO, DS_PASTA_SALVAR"
           " from tab_relatorio where st_ativo = " +
           quotedSql("S") + " order by NM_RELATORIO";
}

// cycleTimer stays off while the pass runs and comes back on when it ends, also after an error.
class CycleTimerOff {
public:
    explicit CycleTimerOff(MonitorUi& ui) : ui_(ui) { ui_.setCycleTimerActive(false); }
    ~CycleTimerOff() { ui_.setCycleTimerActive(true); }
    CycleTimerOff(const CycleTimerOff&) = delete;
    CycleTimerOff& operator=(const CycleTimerOff&) = delete;

private:
    MonitorUi& ui_;
};

bool isEmpty(const Field& field) { return field.isNull() || field.asString().empty(); }

// The first thing a report lacks before it can be published, or nothing.
std::optional<std::string> missingSetting(const ResultSet& reports, std::size_t row) {
    const auto field = [&](const char* name) { return reports.field(row, name); };
    const bool ftp = field("TP_PUBLICACAO").asInteger() == kFtpPublication;
    if (isEmpty(field("QT_MESES_PUBLICACAO")) && field("ID_TP_RELATORIO").asInteger() == kSalesReport) {
        return "Faltou informar a qtde de meses para publicação";
    }
    if (ftp && (isEmpty(field("DS_PASTA_FTP")) || isEmpty(field("DS_SERVIDOR_FTP")) ||
                isEmpty(field("DS_USUARIO_FTP")) || isEmpty(field("DS_SENHA_FTP")) || isEmpty(field("NO_PORTA_FTP")))) {
        return "Faltou informar os parâmetros para FTP";
    }
    if (!ftp && isEmpty(field("DS_PASTA_SALVAR"))) {
        return "Faltou informar a pasta para salvar o arquivo";
    }
    std::error_code error;
    if (!ftp && !std::filesystem::is_directory(utf8Path(field("DS_PASTA_SALVAR").asString()), error)) {
        return "Faltou criar a pasta para salvar o arquivo";
    }
    return std::nullopt;
}

}  // namespace

PublicationPass::PublicationPass(MonitorServices& services)
    : services_(services), targets_(services, services.ftp()) {}

void PublicationPass::publishDueReports() {
    MonitorUi& ui = services_.ui();
    Clock& clock = services_.clock();
    const CycleTimerOff timerOff(ui);

    const ResultSet reports = services_.database().query(passStatement());
    for (std::size_t row = 0; row < reports.rowCount(); ++row) {
        clock.sleep(kPauseBetweenReports);
        services_.setStatus(1);
        const int id = static_cast<int>(reports.field(row, "ID_RELATORIO").asInteger());
        const std::string name = reports.field(row, "NM_RELATORIO").asString();
        ui.setProcessingText(name);
        ui.setObservationText("");
        ui.processPendingEvents();

        if (const auto missing = missingSetting(reports, row)) {
            ui.setObservationText(*missing);
            noteFailure(id, name, "", *missing);
            ui.processPendingEvents();
            continue;
        }
        const Field next = reports.field(row, "DH_PROXIMA_PUBLIC");
        if (next.isNull()) {
            schedulePublicationNow(id);  // the row in hand stays empty, which counts as due
        }
        if (clock.now() < next.asDateTime()) {
            ui.processPendingEvents();
            continue;
        }
        const DateTime started = clock.now();
        try {
            const PublicationResult result =
                publish(id, name, static_cast<int>(reports.field(row, "ID_TP_RELATORIO").asInteger()),
                        static_cast<int>(reports.field(row, "ID_EMPRESA").asInteger()),
                        static_cast<int>(reports.field(row, "QT_MESES_PUBLICACAO").asInteger()),
                        static_cast<int>(reports.field(row, "TP_PUBLICACAO").asInteger()));
            if (result.ok) {
                noteSuccess(name, result, std::chrono::round<std::chrono::seconds>(clock.now() - started));
            } else {
                noteFailure(id, name, result.target, result.error);
            }
        } catch (const std::exception& error) {
            if (isNetworkError(error)) {
                throw;  // not this report's fault: the monitor tells the lost connection once, and it stays due
            }
            ui.setObservationText(error.what());
            noteFailure(id, name, "", error.what());
            continue;
        }
        ui.processPendingEvents();
    }

    clock.sleep(kPauseBetweenReports);
    services_.setStatus(5);
    services_.refreshGrid();
    ui.setProcessingText("");
    ui.setObservationText("");
}

PublicationResult PublicationPass::publish(int reportId, const std::string& name, int reportKind, int companyId,
                                           int months, int publicationKind) {
    const Date today = dateOf(services_.clock().now());
    const Date start = publicationStartDate(today, months);
    services_.setStatus(2);
    services_.ui().processPendingEvents();

    const std::filesystem::path programFolder = utf8Path(services_.settings().programFolder());
    Connection& database = services_.database();
    if (reportKind == kSalesReport) {
        engine_.runSalesReport(reportId, companyId, nullptr, atMidnight(start), atMidnight(today), database,
                               programFolder);
        // Nothing was written: an old workbook of the same name must not go out in its place.
        if (engine_.selectList().empty()) {
            throw std::runtime_error("O relatório " + name + " não tem colunas definidas; a planilha não foi gerada.");
        }
    } else {
        generatePriceList(reportId, name, nullptr, database, programFolder);
    }
    if (publicationKind == kFtpPublication) {
        return targets_.uploadWorkbookToFtp(reportId);
    }
    return targets_.saveWorkbookToFolder(reportId);
}

void PublicationPass::noteSuccess(const std::string& name, const PublicationResult& result,
                                  std::chrono::seconds took) {
    services_.journal().record({JournalKind::Publication, name, true,
                                result.target + "; " + std::to_string(result.bytes) + " bytes; " +
                                    std::to_string(took.count()) + " s"});
    services_.outcomes().succeeded(name);
    problemJournaled_.erase(name);
}

void PublicationPass::noteFailure(int reportId, const std::string& name, const std::string& target,
                                  const std::string& reason) {
    const std::string detail = target.empty() ? reason : target + ": " + reason;
    // A report that lacks a setting fails every minute; once in the journal is enough.
    if (problemJournaled_[name] != detail) {
        problemJournaled_[name] = detail;
        services_.journal().record({JournalKind::Publication, name, false, detail});
    }
    services_.outcomes().failed(name, reason, services_.clock().now());
    try {
        sendFailureNoticeIfDue(reportId, name);
    } catch (const std::exception& error) {
        services_.journal().record({JournalKind::Message, "aviso de falha: " + name, false, error.what()});
    }
}

void PublicationPass::sendFailureNoticeIfDue(int reportId, const std::string& name) {
    const std::string address = services_.settings().failureNoticeAddress();
    if (address.empty()) {
        return;
    }
    const ResultSet report = services_.database().query(
        " select TP_AGENDAMENTO, QT_HORAS_CRONOMETRO, DH_ULTIMA_PUBLIC from tab_relatorio where id_relatorio = " +
        std::to_string(reportId));
    if (report.empty()) {
        return;
    }
    const bool daily = report.field(0, "TP_AGENDAMENTO").asInteger() == 1;
    const auto interval = daily ? std::chrono::minutes{24 * 60}
                                : std::chrono::minutes{60 * report.field(0, "QT_HORAS_CRONOMETRO").asInteger()};
    const Field last = report.field(0, "DH_ULTIMA_PUBLIC");
    const std::optional<DateTime> lastPublished =
        last.isNull() ? std::nullopt : std::optional<DateTime>(last.asDateTime());
    const DateTime now = services_.clock().now();
    PublicationOutcomes& outcomes = services_.outcomes();
    if (!outcomes.noticeDue(name, lastPublished, interval, now)) {
        return;
    }
    writeFailureNotice(services_.database(),
                       {address, reportId, name, outcomes.recentErrors(name), lastPublished,
                        utf8Text(services_.settings().programPath())},
                       now);
    outcomes.noticeSent(name);
    services_.journal().record({JournalKind::Message, "aviso de falha: " + name, true, "e-mail para " + address});
}

void PublicationPass::schedulePublicationNow(int reportId) {
    services_.database().execute(" update tab_relatorio set dh_proxima_public = current_timestamp where id_relatorio = " +
                                 std::to_string(reportId));
}

}  // namespace velmora
