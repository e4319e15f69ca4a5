#include "monitor/monitor.h"

#include <cstdlib>
#include <filesystem>

#include "common/clock.h"
#include "common/file_time.h"
#include "common/ptbr_format.h"
#include "common/text.h"
#include "common/text_file.h"
#include "monitor/cycle_jobs.h"
#include "monitor/instance_lock.h"
#include "monitor/monitor_ui.h"
#include "monitor/network_error.h"
#include "monitor/process_control.h"
#include "monitor/reports_grid.h"
#include "monitor/status_words.h"
#include "update/update_check.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {
constexpr const char* kUserName = "sysdba";
constexpr const char* kPassword = "plorvatec";
}  // namespace

// Marks a cycle, pass or reminder run as running for as long as it lasts.
class Monitor::ExclusiveRun {
public:
    explicit ExclusiveRun(Monitor& monitor) : monitor_(monitor) { monitor_.running_ = true; }
    ~ExclusiveRun() { monitor_.running_ = false; }
    ExclusiveRun(const ExclusiveRun&) = delete;
    ExclusiveRun& operator=(const ExclusiveRun&) = delete;

private:
    Monitor& monitor_;
};

Monitor::Monitor(fs::path programPath, MonitorUi& ui, ProcessControl& process, Clock& clock, UpdateCheck& update,
                 JobsFactory jobs)
    : programPath_(programPath.string()),
      ui_(ui),
      process_(process),
      clock_(clock),
      update_(update),
      settings_(std::move(programPath), ui, process) {
    jobs_ = jobs ? jobs(*this) : std::make_unique<CycleJobs>(*this);
}

Monitor::~Monitor() = default;

Connection& Monitor::database() {
    if (!connection_) {
        throw std::runtime_error("A conexão com o banco de dados ainda não foi criada.");
    }
    return *connection_;
}

void Monitor::FormCreate() {
    try {
        ui_.showTrayIcon();
        ExibirVersao();

        const std::string folder = settings_.ObterPastaDadosServidor();
        if (ExisteArquivoTrava(programPath_, folder)) {
            ui_.showGenericMessage(
                "O aplicativo " + programPath_ + " já está sendo executado em outra sessão de trabalho.", false, true);
            process_.requestQuit();
        } else {
            CriarArquivoTrava(programPath_, folder);  // one look-up, so a missing INI is reported once
        }

        ConectarBancoDados(settings_.LerCaminhoBancoDados());
        update_.VerificarAtualizacao(*connection_, 1);
        ui_.setCycleTimerActive(true);
        DefinirSituacao(5);
        ui_.setProcessingText("");
        ui_.setObservationText("");
        BitBtn1Click();
    } catch (const std::exception& error) {
        showUnexpectedError(error);
    }
}

void Monitor::ExibirVersao() {
    // Build time to the minute; a build made exactly at midnight still shows its time.
    std::string built;
    try {
        built = formatDateTime(fileModificationTime(programPath_), "dd/mm/yyyy hh:mm");
    } catch (const std::exception&) {
    }
    ui_.setVersionText("Versão: " + built);
    ui_.setActiveSinceText("Ativo desde: " + formatDateTime(clock_.now(), "dd/mm/yyyy hh:mm:ss"));
}

void Monitor::ConectarBancoDados(const std::string& connectionText) {
    connection_ = std::make_unique<Connection>(ConnectionSettings{trimmed(connectionText), kUserName, kPassword});
    try {
        connection_->open();
        update_.PrepararAtualizador(connection_->databaseName(), settings_.ObterArquivoIniServidor());
        connection_->close();
    } catch (const std::exception&) {
        EncerrarProcesso();
    }
    connection_->open();
}

void Monitor::DesconectarBancoDados() { connection_.reset(); }

void Monitor::FormShow() { AtualizarGrade(); }

void Monitor::BitBtn1Click() { ui_.hideWindow(); }

void Monitor::pmnuiOpenClick() { ui_.showWindow(); }

void Monitor::Sair1Click() {
    DesconectarBancoDados();
    ExcluirArquivoTrava(programPath_, settings_.ObterPastaDadosServidor());
    ui_.processPendingEvents();
    EncerrarProcesso();
}

void Monitor::EncerrarProcesso() {
    process_.endProcess();
    std::abort();  // endProcess never comes back; nothing after an exit path may run
}

void Monitor::DefinirSituacao(unsigned code) {
    if (const auto word = palavraSituacao(code)) {
        ui_.setStatusWord(*word);
    }
}

void Monitor::AtualizarGrade() {
    if (!connection_) {
        return;
    }
    try {
        ui_.showReports(lerLinhasGrade(*connection_));
    } catch (const std::exception&) {
        // The grid keeps what it showed; the next refresh tries again.
    }
}

bool Monitor::VerificarConectado() {
    std::string line;
    try {
        const std::string folder = settings_.ObterPastaDadosServidor();
        if (fs::is_directory(folder)) {
            const std::string flag = settings_.ObterPastaDadosServidor() + kDisconnectFlagName;
            if (fs::exists(flag)) {
                line = readFirstLine(flag);
            }
        }
    } catch (const std::exception&) {
        ui_.showMessageBox(kSystemMessageTitle, "Não foi possível acessar a pasta Dados no Servidor.", MessageIcon::Error);
        return true;
    }
    return line != kDisconnectWord;
}

void Monitor::Timer2Timer() {
    // A message box opened by this check lets further ticks run; they wait for it instead of stacking boxes.
    if (checkingFlag_) {
        return;
    }
    checkingFlag_ = true;
    const bool stay = VerificarConectado();
    checkingFlag_ = false;
    if (stay) {
        return;
    }
    ui_.setCycleTimerActive(false);
    ExcluirArquivoTrava(programPath_, settings_.ObterPastaDadosServidor());
    EncerrarProcesso();
}

void Monitor::Timer1Timer() {
    if (running_) {
        pendingCycle_ = true;
        return;
    }
    {
        const ExclusiveRun run(*this);
        runCycle();
    }
    servePending();
}

void Monitor::runCycle() {
    try {
        DefinirSituacao(1);
        jobs_->PublicarRelatorios();
        jobs_->ProcessarAvisosVencimento();
        jobs_->EnviarPesquisas();
    } catch (const std::exception& error) {
        ui_.setCycleTimerActive(false);
        ui_.setDisconnectTimerActive(false);
        if (connection_) {
            connection_->close();
        }
        if (isNetworkError(error)) {
            EncerrarProcesso();
        }
        // The monitor stays stopped until a button is used; the user must see why.
        ui_.setObservationText(error.what());
    }
}

void Monitor::btnPublicarClick() {
    ui_.setCycleTimerActive(false);
    const int reportId = ui_.selectedReportId();
    if (reportId == 0) {
        ui_.showMessageBox(kSystemMessageTitle, "Nenhuma planilha selecionada", MessageIcon::Warning);
        ui_.setCycleTimerActive(true);
        return;
    }
    if (running_) {
        pendingPublish_ = reportId;
        return;
    }
    {
        const ExclusiveRun run(*this);
        publishNow(reportId);
    }
    servePending();
}

void Monitor::publishNow(int reportId) {
    try {
        jobs_->AgendarPublicacaoImediata(reportId);
        AtualizarGrade();
        jobs_->PublicarRelatorios();
    } catch (const std::exception& error) {
        showUnexpectedError(error);
    }
    ui_.setCycleTimerActive(true);
}

void Monitor::BitBtn2Click() {
    ui_.setCycleTimerActive(false);
    if (running_) {
        pendingEmail_ = true;
        return;
    }
    {
        const ExclusiveRun run(*this);
        forceEmail();
    }
    servePending();
}

void Monitor::forceEmail() {
    try {
        jobs_->ProcessarAvisosVencimento();
    } catch (const std::exception& error) {
        showUnexpectedError(error);
    }
    ui_.setCycleTimerActive(true);
}

void Monitor::servePending() {
    while (pendingPublish_ || pendingEmail_ || pendingCycle_) {
        const ExclusiveRun run(*this);
        if (pendingPublish_) {
            const int reportId = *pendingPublish_;
            pendingPublish_.reset();
            publishNow(reportId);
        } else if (pendingEmail_) {
            pendingEmail_ = false;
            forceEmail();
        } else {
            pendingCycle_ = false;
            runCycle();
        }
    }
}

void Monitor::showUnexpectedError(const std::exception& error) {
    ui_.showMessageBox(kProgramTitle, error.what(), MessageIcon::Error);
}

}  // namespace velmora
