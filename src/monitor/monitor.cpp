#include "monitor/monitor.h"

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "common/clock.h"
#include "common/file_error.h"
#include "common/file_time.h"
#include "common/firebird_loader.h"
#include "common/ftp_trust.h"
#include "common/platform_files.h"
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
// How long a start that cannot go on shows why before it ends by itself: nobody may be there to click.
constexpr std::chrono::seconds kStartFailureNoticeFor{30};
// Far more than the flag's word: a flag file this long is read no further.
constexpr std::size_t kLongestFlagLine = 4096;
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
    return fs::exists(flag) ? readFirstLine(flag, kLongestFlagLine) : std::string{};
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
    ftp_->setHostKeyNotice(
        [this](const std::string& text) { journal_.record({JournalKind::Message, kKnownHostsFileName, true, text}); });
    jobs_ = jobs ? jobs(*this) : std::make_unique<CycleJobs>(*this);
}

Monitor::~Monitor() = default;  // stops the lock refresher

Connection& Monitor::database() {
    if (!connection_) {
        throw std::runtime_error("A conexão com o banco de dados ainda não foi criada.");
    }
    return *connection_;
}

void Monitor::startUp() {
    try {
        ui_.showTrayIcon();
        showVersion();
        journal_.record({JournalKind::Start, programPath_, true, versionText_ + "; " + clientText()});

        if (!takeInstanceLock()) {
            return;  // the program ends after this handler; a refused start touches neither database nor update
        }
        connectDatabase(settings_.databasePath());
        update_.checkForUpdate(*connection_, 1);
        ui_.setCycleTimerActive(true);
        setStatus(5);
        ui_.setProcessingText("");
        ui_.setObservationText(lockNotice_);
        tellJournalFailure();
        hideRequested();
    } catch (const SettingsMissing& missing) {
        failStart(missing.what(), false);  // its box was the message
    } catch (const std::exception& error) {
        failStart(error.what(), true);
    }
}

// Which client the ERP's database is reached through: sites mix Firebird and InterBase clients of many ages.
std::string Monitor::clientText() {
    try {
        return "cliente Firebird: " + databaseClientDescription();
    } catch (const FirebirdClientMissing&) {
        return "cliente Firebird: nenhum";  // the end line gives the reason
    }
}

// A start that cannot go on says why, gives up what it took and ends with a failure status, so that nothing
// stays running idle and a service manager may start it again.
void Monitor::failStart(const std::string& message, bool tell) {
    process_.setEndReason(message, false);
    if (tell) {
        ui_.showClosingNotice(message, kStartFailureNoticeFor);
    }
    endProcess();
}

bool Monitor::takeInstanceLock() {
    const ErpSettings::DataFolder folder = settings_.locateServerDataFolder();
    if (!folder.problem.empty()) {
        // Without the data folder there is no place for the lock: none goes into some other folder.
        ui_.showMessageBox(kSystemMessageTitle, folder.problem, MessageIcon::Error);
        process_.setEndReason(folder.problem, false);
        process_.requestQuit();
        return false;
    }
    const fs::path journalFile = utf8Path(folder.path + journalFileName(programPath_));
    journal_.open(journalFile);
    outcomes_.takeFromJournal(readLastPublications(journalFile));

    const fs::path lockFile = utf8Path(folder.path + lockFileName(programPath_));
    const auto refuse = [&] {
        ui_.showGenericMessage(
            "O aplicativo " + programPath_ + " já está sendo executado em outra sessão de trabalho.", false, true);
        process_.setEndReason("outro monitor em execução (arquivo de trava " + utf8Text(lockFile) + ")", true);
        process_.requestQuit();
        return false;
    };
    if (lockFileExists(programPath_, folder.path)) {
        // A lock that nobody rewrote for a while belongs to a monitor that stopped or lost the folder; one that
        // only lost it stops publishing meanwhile and gives way when it sees this start's lock.
        const auto age = lockFileAge(lockFile);
        if (!age || *age <= kAbandonedLockAge) {
            return refuse();
        }
        lockNotice_ = "O arquivo de trava " + utf8Text(lockFile) + " estava sem atualização havia " +
                      std::to_string(std::chrono::round<std::chrono::minutes>(*age).count()) +
                      " minutos e foi assumido por este monitor.";
        std::error_code error;
        if (!fs::remove(lockFile, error) && error) {
            throw std::runtime_error(fileErrorMessage("excluir", lockFile, platform::errnoOf(error)));
        }
        journal_.record({JournalKind::Message, utf8Text(lockFile), true, lockNotice_});
    }
    auto lock = std::make_unique<InstanceLock>(lockFile, programPath_);
    if (!lock->create()) {
        return refuse();  // another start wrote its lock in between
    }
    lock_ = std::move(lock);
    lockRefresher_ = std::make_unique<LockRefresher>(*lock_);
    return true;
}

void Monitor::releaseLock() {
    lockRefresher_.reset();
    if (lock_) {
        if (const auto problem = lock_->release()) {
            process_.addEndNote(*problem);
        }
        lock_.reset();
    }
}

void Monitor::releaseLockForUpdate() {
    releaseLock();
    // The updater ends this process; the journal must be written by then.
    process_.setEndReason("atualização: o atualizador instala a nova versão", true);
    process_.recordEnd();
}

void Monitor::endProgram() {
    releaseLock();
    process_.end();
}

void Monitor::showVersion() {
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

void Monitor::connectDatabase(const std::string& connectionText) {
    connection_ = std::make_unique<Connection>(ConnectionSettings{trimmed(connectionText), kUserName, kPassword});
    try {
        connection_->open();
        update_.prepareUpdater(connection_->databaseName(), settings_.serverIniFile());
        connection_->close();
        connection_->open();
    } catch (const FirebirdClientMissing&) {
        throw;  // its text says it all
    } catch (const SettingsMissing&) {
        throw;
    } catch (const std::exception& error) {
        throw std::runtime_error("Sem conexão com o banco de dados " + connection_->databaseName() + ": " +
                                 error.what());
    }
}

void Monitor::disconnectDatabase() { connection_.reset(); }

void Monitor::windowShown() { refreshGrid(); }

void Monitor::hideRequested() { ui_.hideWindow(); }

void Monitor::openRequested() { ui_.showWindow(); }

void Monitor::quitRequested() {
    process_.setEndReason("Sair", true);
    // The lock goes first: a session that ends may not leave time for more.
    ui_.setCycleTimerActive(false);
    ui_.setDisconnectTimerActive(false);
    releaseLock();
    disconnectDatabase();
    ui_.processPendingEvents();
    endProcess();
}

void Monitor::endProcess() {
    releaseLock();
    process_.end();
}

// Said once per failure streak that made the journal give up; the monitor goes on without it meanwhile.
void Monitor::tellJournalFailure() {
    if (const auto failure = journal_.takeFailure()) {
        ui_.setObservationText(*failure);
    }
}

void Monitor::setStatus(unsigned code) {
    if (const auto word = statusWordFor(code)) {
        ui_.setStatusWord(*word);
    }
}

void Monitor::refreshGrid() {
    if (!connection_) {
        return;
    }
    try {
        std::vector<ReportRow> rows = readGridRows(*connection_);
        for (ReportRow& row : rows) {
            row.lastOutcome = outcomes_.gridText(row.name);
        }
        ui_.showReports(rows);
    } catch (const std::exception&) {
        // The grid keeps what it showed; the next refresh tries again.
    }
}

bool Monitor::isDisconnectRequested() {
    const ErpSettings::DataFolder folder = settings_.locateServerDataFolder();
    std::string problem = folder.problem;
    std::string line;
    if (problem.empty()) {
        try {
            line = readDisconnectFlag(folder.path);
        } catch (const std::exception& error) {
            problem = std::string("Não foi possível acessar a pasta Dados no Servidor. ") + error.what();
        }
    }
    if (problem.empty()) {
        flagProblem_.clear();
        return line == kDisconnectWord;
    }
    // A lost share is looked at again every 5 seconds; it is told once until it changes, and the monitor goes on.
    if (problem != flagProblem_) {
        flagProblem_ = problem;
        ui_.showMessageBox(kSystemMessageTitle, problem, MessageIcon::Error);
    }
    return false;
}

bool Monitor::isDisconnectRequestedQuietly() {
    try {
        return readDisconnectFlag(settings_.locateServerDataFolder().path) == kDisconnectWord;
    } catch (const std::exception&) {
        return false;
    }
}

void Monitor::disconnectWatchFired() {
    bool requested = false;
    if (checkingFlag_) {
        requested = isDisconnectRequestedQuietly();
    } else {
        const ScopedFlag checking(checkingFlag_);
        requested = isDisconnectRequested();
    }
    if (requested) {
        disconnect();
    }
}

void Monitor::disconnect() {
    process_.setEndReason(std::string("sinal de desconexão (") + kDisconnectWord + " em " + kDisconnectFlagName + ")",
                          true);
    ui_.setCycleTimerActive(false);
    ui_.setDisconnectTimerActive(false);
    endProcess();
}

void Monitor::cycleTimerFired() {
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

// Whatever fails, the timers stay on and the next minute tries again: nobody may be there to restart the
// monitor. A step's failure is told and the next step still runs; a lost database connection ends the cycle.
void Monitor::runCycle() {
    setStatus(1);
    if (!lockStillOwn() || !databaseReady()) {
        setStatus(5);
        return;
    }
    if (runStep(&MonitorJobs::publishDueReports, JournalKind::Publication, "relatórios") &&
        runStep(&MonitorJobs::writeDueReminders, JournalKind::Reminder, "avisos de vencimento")) {
        runStep(&MonitorJobs::uploadSurveys, JournalKind::Survey, "pesquisas");
    }
    tellJournalFailure();
}

bool Monitor::runStep(void (MonitorJobs::*step)(), JournalKind kind, const char* subject) {
    try {
        (jobs_.get()->*step)();
        stepFailures_.erase(kind);
        return true;
    } catch (const std::exception& error) {
        if (isNetworkError(error)) {
            noteDatabaseLost(error.what());
            setStatus(5);
            return false;
        }
        ui_.setObservationText(error.what());
        noteStepFailure(kind, subject, error.what());
        setStatus(5);
        return true;
    }
}

void Monitor::noteStepFailure(JournalKind kind, const char* subject, const std::string& reason) {
    // The same failure names a new file (a time stamp) every minute: only its words make it another one.
    std::string shape;
    for (const char c : reason) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            shape += c;
        } else if (shape.empty() || shape.back() != '#') {
            shape += '#';
        }
    }
    if (stepFailures_[kind] != shape) {
        stepFailures_[kind] = shape;
        journal_.record({kind, subject, false, reason});
    }
}

// Publishing goes on only while this run can show that the lock is its own: a monitor that cannot rewrite it
// may be taken for gone by another start.
bool Monitor::lockStillOwn() {
    if (!lock_) {
        return true;
    }
    const InstanceLock::Check check = lock_->refresh();
    switch (check.standing) {
    case InstanceLock::Standing::Own:
        if (lockUnproven_) {
            lockUnproven_ = false;
            journal_.record({JournalKind::Message, utf8Text(lock_->file()), true,
                             "arquivo de trava gravado novamente; as publicações continuam"});
            ui_.setObservationText("");
        }
        return true;
    case InstanceLock::Standing::Unproven: {
        const std::string message =
            check.problem + " As publicações ficam suspensas até que o arquivo de trava possa ser gravado.";
        ui_.setObservationText(message);
        if (!lockUnproven_) {
            lockUnproven_ = true;
            journal_.record({JournalKind::Message, utf8Text(lock_->file()), false, message});
        }
        return false;
    }
    case InstanceLock::Standing::TakenByAnother:
        // The other monitor runs the installation now; its lock stays.
        lockRefresher_.reset();
        lock_.reset();
        process_.setEndReason(check.problem + " Este monitor foi encerrado para que só um publique.", false);
        ui_.setCycleTimerActive(false);
        ui_.setDisconnectTimerActive(false);
        endProcess();
    }
    return false;
}

// The connection is looked at before every cycle. One that the server dropped (a restart) shows it only now, so
// a new one is tried at once; a server that is away is tried again at the next cycle.
bool Monitor::databaseReady() {
    const int attempts = connection_->isOpen() ? 2 : 1;
    std::string firstFailure;
    for (int attempt = 1;; ++attempt) {
        try {
            connection_->open();
            connection_->query("select 1 from rdb$database");
            break;
        } catch (const std::exception& error) {
            connection_->close();
            if (attempt == attempts) {
                noteDatabaseLost(error.what());
                return false;
            }
            firstFailure = error.what();
        }
    }
    if (databaseLost_ || !firstFailure.empty()) {
        journal_.record({JournalKind::Message, connection_->databaseName(), true,
                         "conexão com o banco de dados restabelecida" +
                             (databaseLost_ ? std::string() : " (a anterior fora perdida: " + firstFailure + ")")});
        databaseLost_ = false;
        ui_.setObservationText("");
    }
    return true;
}

void Monitor::noteDatabaseLost(const std::string& reason) {
    connection_->close();
    ui_.setObservationText("Sem conexão com o banco de dados " + connection_->databaseName() + ": " + reason +
                           " Nova tentativa no próximo minuto.");
    if (!databaseLost_) {
        databaseLost_ = true;
        journal_.record({JournalKind::Message, connection_->databaseName(), false,
                         "conexão com o servidor perdida: " + reason});
    }
}

void Monitor::publishNowRequested() {
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
        jobs_->schedulePublicationNow(reportId);
        refreshGrid();
        jobs_->publishDueReports();
    } catch (const std::exception& error) {
        showUnexpectedError(error);
    }
    resumeAfterButton();
}

void Monitor::remindersNowRequested() {
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
        jobs_->writeDueReminders();
        stepFailures_.erase(JournalKind::Reminder);
    } catch (const std::exception& error) {
        noteStepFailure(JournalKind::Reminder, "avisos de vencimento", error.what());
        showUnexpectedError(error);
    }
    resumeAfterButton();
}

// Publishing starts again after the button's work.
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
