#include "monitor/publication_pass.h"

#include <chrono>
#include <string>

#include "common/clock.h"
#include "common/connection.h"
#include "common/sql_text.h"
#include "monitor/monitor_services.h"
#include "monitor/monitor_ui.h"

namespace velmora {

namespace {

constexpr std::chrono::milliseconds kPauseBetweenReports{3000};

std::string instrucaoPassagem() {
    return " select ID_RELATORIO, NM_RELATORIO, ID_USUARIO, DT_CRIACAO, ST_EXIGIR_CATEGORIA, ST_ATIVO, HO_PUBLICACAO,"
           " ID_EMPRESA, QT_MESES_PUBLICACAO, DS_PASTA_FTP, DS_SERVIDOR_FTP, DS_USUARIO_FTP, DS_SENHA_FTP,"
           " NO_PORTA_FTP, DH_ULTIMA_PUBLIC, DH_PROXIMA_PUBLIC, ID_TP_RELATORIO, TP_PUBLICACAO, DS_PASTA_SALVAR"
           " from tab_relatorio where st_ativo = " +
           quotedSql("S") + " order by NM_RELATORIO";
}

// Timer1 stays off while the pass runs and comes back on when it ends, also after an error.
class CycleTimerOff {
public:
    explicit CycleTimerOff(MonitorUi& ui) : ui_(ui) { ui_.setCycleTimerActive(false); }
    ~CycleTimerOff() { ui_.setCycleTimerActive(true); }
    CycleTimerOff(const CycleTimerOff&) = delete;
    CycleTimerOff& operator=(const CycleTimerOff&) = delete;

private:
    MonitorUi& ui_;
};

}  // namespace

void PublicationPass::PublicarRelatorios() {
    MonitorUi& ui = services_.ui();
    const CycleTimerOff timerOff(ui);

    const ResultSet reports = services_.database().query(instrucaoPassagem());
    for (std::size_t row = 0; row < reports.rowCount(); ++row) {
        services_.clock().sleep(kPauseBetweenReports);
        services_.DefinirSituacao(1);
        ui.setProcessingText(reports.field(row, "NM_RELATORIO").asString());
        ui.setObservationText("");
        ui.processPendingEvents();
    }

    services_.clock().sleep(kPauseBetweenReports);
    services_.DefinirSituacao(5);
    services_.AtualizarGrade();
    ui.setProcessingText("");
    ui.setObservationText("");
}

void PublicationPass::AgendarPublicacaoImediata(int reportId) {
    services_.database().execute(" update tab_relatorio set dh_proxima_public = current_timestamp where id_relatorio = " +
                                 std::to_string(reportId));
}

}  // namespace velmora
