#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "common/connection.h"
#include "common/ftp_client.h"
#include "monitor/erp_settings.h"
#include "monitor/journaling_process.h"
#include "monitor/journaling_ui.h"
#include "monitor/monitor_jobs.h"
#include "monitor/monitor_services.h"
#include "monitor/publication_outcomes.h"
#include "monitor/run_journal.h"
#include "monitor/window_events.h"
#include "survey/survey_account.h"

namespace velmora {

class Clock;
class InstanceLock;
class LockRefresher;
class MonitorUi;
class ProcessControl;
class UpdateCheck;

inline constexpr const char* kProgramTitle = "velmora Monitor Publicação";

// The main window's behaviour without the window: start-up, the two timers, the buttons, the tray menu and
// every way out. Runs on one thread; a cycle, a pass or a reminder run never starts inside another: a tick or
// click that arrives meanwhile is served right after it.
class Monitor final : public MonitorServices, public WindowEvents {
public:
    using JobsFactory = std::function<std::unique_ptr<MonitorJobs>(MonitorServices&)>;

    Monitor(std::filesystem::path programPath, MonitorUi& ui, ProcessControl& process, Clock& clock,
            UpdateCheck& update, JobsFactory jobs = {});
    ~Monitor() override;

    // Event handlers of the main window.
    void startUp();
    void windowShown() override;
    void hideRequested() override;
    void openRequested() override;
    void quitRequested() override;
    void cycleTimerFired() override;
    void disconnectWatchFired() override;
    void publishNowRequested() override;
    void remindersNowRequested() override;

    void showVersion();
    bool isDisconnectRequested();
    // The same look at the flag for a tick that comes while the watch's own message box is open: nobody may
    // be there to close it, so the flag is read without a further box.
    bool isDisconnectRequestedQuietly();
    void connectDatabase(const std::string& connectionText);
    // Before the updater starts the new copy: the lock this start wrote goes, or the new copy would be refused.
    // A start that found another monitor's lock leaves that one alone.
    void releaseLockForUpdate();
    void disconnectDatabase();

    // MonitorServices
    Connection& database() override;
    MonitorUi& ui() override { return ui_; }
    Clock& clock() override { return clock_; }
    const ErpSettings& settings() const override { return settings_; }
    FtpClient& ftp() override { return *ftp_; }
    const SurveyAccount& surveyAccount() const override { return surveyAccount_; }
    void setStatus(unsigned code) override;
    void refreshGrid() override;
    RunJournal& journal() override { return journal_; }
    PublicationOutcomes& outcomes() override { return outcomes_; }

    bool connected() const { return connection_ != nullptr; }
    // The end of the program after its message loop: the lock this run wrote goes, the end is recorded in the
    // journal, then the process goes.
    [[noreturn]] void endProgram();
    // The program uploads to the account it was built with; tests bring a server of their own.
    void setSurveyAccount(SurveyAccount account) { surveyAccount_ = std::move(account); }

private:
    [[noreturn]] void endProcess();
    [[noreturn]] void failStart(const std::string& message, bool tell);
    void releaseLock();
    void tellJournalFailure();
    bool takeInstanceLock();
    [[noreturn]] void disconnect();
    void resumeAfterButton();
    void runCycle();
    bool lockStillOwn();
    bool databaseReady();
    void noteDatabaseLost(const std::string& reason);
    bool runStep(void (MonitorJobs::*step)(), JournalKind kind, const char* subject);
    void noteStepFailure(JournalKind kind, const char* subject, const std::string& reason);
    void publishNow(int reportId);
    void forceEmail();
    void servePending();
    void showUnexpectedError(const std::exception& error);

    std::string programPath_;
    Clock& clock_;
    RunJournal journal_;
    JournalingUi ui_;
    JournalingProcess process_;
    UpdateCheck& update_;
    ErpSettings settings_;
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<FtpClient> ftp_ = std::make_unique<FtpClient>();
    SurveyAccount surveyAccount_ = defaultSurveyAccount();
    std::unique_ptr<MonitorJobs> jobs_;
    std::unique_ptr<InstanceLock> lock_;  // only once this run wrote it
    std::unique_ptr<LockRefresher> lockRefresher_;
    std::string lockNotice_;  // told in "Observações:" once start-up is through
    std::string versionText_;
    PublicationOutcomes outcomes_;
    // Each told once until it changes or passes: the journal must not fill with the same line every minute.
    bool lockUnproven_ = false;
    bool databaseLost_ = false;
    std::map<JournalKind, std::string> stepFailures_;
    std::string flagProblem_;

    bool running_ = false;
    bool checkingFlag_ = false;  // also while a message box of that check is open
    bool pendingCycle_ = false;
    bool pendingEmail_ = false;
    std::optional<int> pendingPublish_;
};

}  // namespace velmora
