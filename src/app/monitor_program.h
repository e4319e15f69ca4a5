#pragma once

#include <filesystem>

#include "common/platform_files.h"
#include "monitor/monitor.h"
#include "monitor/monitor_update_host.h"
#include "update/process_launcher.h"
#include "update/update_check.h"

namespace velmora {

// The monitor of this program file with its update check, wired to the window and the process of either system.
class MonitorProgram {
public:
    MonitorProgram(MonitorUi& ui, ProcessControl& process, Clock& clock)
        : programFile_(platform::runningProgramFile()),
          updateHost_(ui, process),
          update_(programFile_, updateHost_, launcher_),
          monitor_(programFile_, ui, process, clock, update_) {
        updateHost_.setHandOverStep([this] { monitor_.releaseLockForUpdate(); });
        updateHost_.showThrough(monitor_.ui());
    }
    MonitorProgram(const MonitorProgram&) = delete;
    MonitorProgram& operator=(const MonitorProgram&) = delete;

    Monitor& monitor() { return monitor_; }

private:
    std::filesystem::path programFile_;
    MonitorUpdateHost updateHost_;
    DetachedProcessLauncher launcher_;
    UpdateCheck update_;
    Monitor monitor_;
};

}  // namespace velmora
