#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "monitor/monitor.h"
#include "monitor/monitor_update_host.h"
#include "monitor/recording_ui.h"
#include "support/erp_installation.h"
#include "support/fake_clock.h"
#include "support/file_bytes.h"
#include "support/update_folder.h"
#include "update/process_launcher.h"
#include "update/update_check.h"

namespace velmora::test {

// Jobs that log what ran and can fail at a chosen step, for the cycle's and the buttons' own behaviour.
class ScriptedJobs final : public MonitorJobs {
public:
    void publishDueReports() override { run("publicar"); }
    void schedulePublicationNow(int reportId) override { run("agendar " + std::to_string(reportId)); }
    void writeDueReminders() override { run("avisos"); }
    void uploadSurveys() override { run("pesquisas"); }

    std::vector<std::string> log;
    std::function<void(const std::string&)> onStep;

private:
    void run(const std::string& step) {
        log.push_back(step);
        if (onStep) {
            onStep(step);
        }
    }
};

// The ERP's line of a lock file (the first), as the bytes it was written with.
inline std::string lockFirstLine(const std::filesystem::path& lockFile) {
    const std::string bytes = readBytes(lockFile);
    const auto end = bytes.find("\r\n");
    return end == std::string::npos ? bytes : bytes.substr(0, end + 2);
}

// A monitor over a throwaway ERP installation, with a recording window, process and clock.
struct MonitorHarness {
    explicit MonitorHarness(bool scripted = false) { create(scripted); }
    // A monitor over an installation of its own making (folder names, INI encoding, database file name).
    MonitorHarness(const std::string& folderName, ErpInstallation::IniEncoding encoding, const std::string& databaseName)
        : erp(folderName, encoding, databaseName) {
        create(false);
    }

    ErpInstallation erp;
    RecordingUi ui;
    RecordingProcess process;
    FakeClock clock;
    MonitorUpdateHost updateHost{ui, process};
    DetachedProcessLauncher launcher;
    UpdateCheck update{erp.programPath(), updateHost, launcher, erp.root() / "Desktop"};
    ScriptedJobs* jobs = nullptr;
    std::unique_ptr<Monitor> monitor;

private:
    void create(bool scripted) {
        provideUpdateFolder(erp);  // the installed program is current: start-up runs on
        Monitor::JobsFactory factory;
        if (scripted) {
            factory = [this](MonitorServices&) {
                auto owned = std::make_unique<ScriptedJobs>();
                jobs = owned.get();
                return owned;
            };
        }
        monitor = std::make_unique<Monitor>(erp.programPath(), ui, process, clock, update, factory);
        updateHost.setHandOverStep([this] { monitor->releaseLockForUpdate(); });
        updateHost.showThrough(monitor->ui());
    }
};

}  // namespace velmora::test
