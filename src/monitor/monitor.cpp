#include "monitor/monitor.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "common/clock.h"
#include "common/file_time.h"
#include "common/firebird_loader.h"
#include "common/ptbr_format.h"
#include "common/text.h"
#include "common/text_file.h"
#include "common/utf8_path.h"
#include "monitor/cycle_jobs.h"
#include "monitor/instance_lock.h"
#include "monitor/lock_freshness.h"
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
constexpr std::chrono::seconds kClientMissingNoticeFor{30};
}  // namespace

namespace {

// Holds a flag up for as long as something lasts (a run, a look at the flag file), also when it throws.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~ScopedFlag() { flag_ = false; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& flag_;
};

// First line of the disconnect flag in `folder`; empty when there is no folder or no flag. Throws when the
// flag is there but cannot be read.
std::string readDisconnectFlag(const std::string& folder) {
    if (!fs::is_directory(utf8Path(folder))) {
        return {};
    }
    const fs::path flag = utf8Path(folder + kDisconnectFlagName);
    return fs::exists(flag) ? readFirstLine(flag) : std::string{};
}

}  // namespace

Monitor::Monitor(fs::path programPath, MonitorUi& ui, ProcessControl& process, Clock& clock, UpdateCheck& update,
                 JobsFactory jobs)
    : programPath_(utf8Text(programPath)),
      clock_(clock),
      journal_(clock),
      ui_(ui, journal_),
      process_(process, journal_, programPath_),
      update_(update),
      settings_(std::move(programPath), ui_, process_) {
    jobs_ = jobs ? jobs(*this) : std::make_unique<CycleJobs>(*this);
}

Monitor::~Monitor() = default;  // stops the lock refresher

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
        journal_.record({JournalKind::Inicio, programPath_, true, versionText_});

        checkInstanceLock();
        ConectarBancoDados(settings_.LerCaminhoBancoDados());
        update_.VerificarAtualizacao(*connection_, 1);
        ui_.setCycleTimerActive(true);
        DefinirSituacao(5);
        ui_.setProcessingText("");
        ui_.setObservationText(lockNotice_);
        tellJournalFailure();
        BitBtn1Click();
    } catch (const std::exception& error) {
        showUnexpectedError(error);
    }
}

void Monitor::checkInstanceLock() {
    const std::string folder = settings_.ObterPastaDadosServidor();  // one look-up, so a missing INI is told once
    const fs::path lockFile = utf8Path(folder + NomeArquivoTrava(programPath_));
    if (!folder.empty()) {
        const fs::path journalFile = utf8Path(folder + journalFileName(programPath_));
        journal_.open(journalFile);
        outcomes_.takeFromJournal(readLastPublications(journalFile));
    }
    if (ExisteArquivoTrava(programPath_, folder)) {
        // A lock that its monitor stopped refreshing was left behind by one that no longer runs.
        const auto age = lockFileAge(lockFile);
        if (!age || *age <= kAbandonedLockAge) {
            ui_.showGenericMessage(
                "O aplicativo " + programPath_ + " já está sendo executado em outra sessão de trabalho.", false, true);
            process_.setEndReason("outro monitor em execução (arquivo de trava " + utf8Text(lockFile) + ")", true);
            process_.requestQuit();
            anotherMonitorRuns_ = true;
            return;
        }
        lockNotice_ = "O arquivo de trava " + utf8Text(lockFile) + " estava sem atualização havia " +
                      std::to_string(std::chrono::round<std::chrono::minutes>(*age).count()) +
                      " minutos e foi assumido por este monitor.";
        journal_.record({JournalKind::Fim, utf8Text(lockFile), false,
                         "o monitor anterior terminou sem remover sua trava; " + lockNotice_});
    }
    CriarArquivoTrava(programPath_, folder);
    lockRefresher_ = std::make_unique<LockRefresher>(lockFile);
}

void Monitor::releaseLockForUpdate() {
    if (lockRefresher_) {
        lockRefresher_.reset();
        ExcluirArquivoTrava(programPath_, settings_.locateServerDataFolder().path);
    }
    // The updater ends this process; the journal must be written by then.
    process_.setEndReason("atualização: o atualizador instala a nova versão", true);
    process_.recordEnd();
}

void Monitor::ExibirVersao() {
    // Build time to the minute; a build made exactly at midnight still shows its time.
    std::string built;
    try {
        built = formatDateTime(fileModificationTime(utf8Path(programPath_)), "dd/mm/yyyy hh:mm");
    } catch (const std::exception&) {
    }
    versionText_ = "Versão: " + built;
    ui_.setVersionText(versionText_);
    ui_.setActiveSinceText("Ativo desde: " + formatDateTime(clock_.now(), "dd/mm/yyyy hh:mm:ss"));
}

void Monitor::ConectarBancoDados(const std::string& connectionText) {
    connection_ = std::make_unique<Connection>(ConnectionSettings{trimmed(connectionText), kUserName, kPassword});
    try {
        connection_->open();
        update_.PrepararAtualizador(connection_->databaseName(), settings_.ObterArquivoIniServidor());
        connection_->close();
    } catch (const FirebirdClientMissing& missing) {
        process_.setEndReason(missing.what(), false);
        // Without a client nothing can work; the user is told why before the program ends (unless it is ending
        // anyway, as another monitor runs: that notice was the one to see).
        if (!anotherMonitorRuns_) {
            ui_.showClosingNotice(missing.what(), kClientMissingNoticeFor);
        }
        EncerrarProcesso();
    } catch (const std::exception& error) {
        process_.setEndReason(std::string("sem conexão com o banco de dados: ") + error.what(), false);
        EncerrarProcesso();
    }
    connection_->open();
}

void Monitor::DesconectarBancoDados() { connection_.reset(); }

void Monitor::FormShow() { AtualizarGrade(); }

void Monitor::BitBtn1Click() { ui_.hideWindow(); }

void Monitor::pmnuiOpenClick() { ui_.showWindow(); }

void Monitor::Sair1Click() {
    process_.setEndReason("Sair", true);
    lockRefresher_.reset();
    DesconectarBancoDados();
    ExcluirArquivoTrava(programPath_, settings_.ObterPastaDadosServidor());
    ui_.processPendingEvents();
    EncerrarProcesso();
}

void Monitor::EncerrarProcesso() {
    process_.endProcess();
    std::abort();  // endProcess never comes back; nothing after an exit path may run
}

// Said once per failure streak that made the journal give up; the monitor goes on without it meanwhile.
void Monitor::tellJournalFailure() {
    if (const auto failure = journal_.takeFailure()) {
        ui_.setObservationText(*failure);
    }
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
        std::vector<ReportRow> rows = lerLinhasGrade(*connection_);
        for (ReportRow& row : rows) {
            row.lastOutcome = outcomes_.gridText(row.name);
        }
        ui_.showReports(rows);
    } catch (const std::exception&) {
        // The grid keeps what it showed; the next refresh tries again.
    }
}

bool Monitor::VerificarConectado() {
    std::string line;
    try {
        line = readDisconnectFlag(settings_.ObterPastaDadosServidor());
    } catch (const std::exception&) {
        ui_.showMessageBox(kSystemMessageTitle, "Não foi possível acessar a pasta Dados no Servidor.", MessageIcon::Error);
        return true;
    }
    return line != kDisconnectWord;
}

bool Monitor::verificarConectadoSemMensagem() {
    const ErpSettings::DataFolder folder = settings_.locateServerDataFolder();
    if (!folder.problem.empty()) {
        process_.requestQuit();  // told already by the box that is open; the end must not wait for its click
    }
    try {
        return readDisconnectFlag(folder.path) != kDisconnectWord;
    } catch (const std::exception&) {
        return true;
    }
}

void Monitor::Timer2Timer() {
    bool stay = true;
    if (checkingFlag_) {
        stay = verificarConectadoSemMensagem();
    } else {
        const ScopedFlag checking(checkingFlag_);
        stay = VerificarConectado();
    }
    if (!stay) {
        disconnect();
    }
}

void Monitor::disconnect() {
    process_.setEndReason(std::string("sinal de desconexão (") + kDisconnectWord + " em " + kDisconnectFlagName + ")",
                          true);
    ui_.setCycleTimerActive(false);
    lockRefresher_.reset();
    ExcluirArquivoTrava(programPath_, settings_.locateServerDataFolder().path);
    EncerrarProcesso();
}

void Monitor::Timer1Timer() {
    if (running_) {
        pendingCycle_ = true;
        return;
    }
    {
        const ScopedFlag run(running_);
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
        tellJournalFailure();
    } catch (const std::exception& error) {
        ui_.setCycleTimerActive(false);
        ui_.setDisconnectTimerActive(false);
        if (connection_) {
            connection_->close();
        }
        if (isNetworkError(error)) {
            process_.setEndReason(std::string("conexão com o servidor perdida: ") + error.what(), false);
            EncerrarProcesso();
        }
        // A tick or click that came during the failed cycle would publish again with the watch off.
        pendingCycle_ = false;
        pendingEmail_ = false;
        pendingPublish_.reset();
        // The monitor stays stopped until a button is used; the user must see why.
        ui_.setObservationText(error.what());
    }
}

void Monitor::btnPublicarClick() {
    ui_.setCycleTimerActive(false);
    const int reportId = ui_.selectedReportId();
    if (reportId == 0) {
        ui_.showMessageBox(kSystemMessageTitle, "Nenhuma planilha selecionada", MessageIcon::Warning);
        resumeAfterButton();
        return;
    }
    if (running_) {
        pendingPublish_ = reportId;
        return;
    }
    {
        const ScopedFlag run(running_);
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
    resumeAfterButton();
}

void Monitor::BitBtn2Click() {
    ui_.setCycleTimerActive(false);
    if (running_) {
        pendingEmail_ = true;
        return;
    }
    {
        const ScopedFlag run(running_);
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
    resumeAfterButton();
}

// Publishing starts again; so does the watch on the flag, which a failed cycle had switched off.
void Monitor::resumeAfterButton() {
    ui_.setCycleTimerActive(true);
    ui_.setDisconnectTimerActive(true);
}

void Monitor::servePending() {
    while (pendingPublish_ || pendingEmail_ || pendingCycle_) {
        const ScopedFlag run(running_);
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
