#pragma once

#include <cstdlib>
#include <functional>
#include <utility>

#include "monitor/monitor_ui.h"
#include "monitor/process_control.h"
#include "update/update_host.h"

namespace velmora {

// The update check's view of the main window and the process.
class MonitorUpdateHost final : public UpdateHost {
public:
    MonitorUpdateHost(MonitorUi& ui, ProcessControl& process) : ui_(&ui), process_(process) {}

    // Messages go through this view of the window from now on (the monitor's, which also journals them).
    void showThrough(MonitorUi& ui) { ui_ = &ui; }

    void showMessageBox(const std::string& title, const std::string& text, UpdateMessageIcon icon) override {
        ui_->showMessageBox(title, text, icon == UpdateMessageIcon::Exclamation ? MessageIcon::Warning : MessageIcon::None);
    }
    void showGenericMessage(const std::string& text, bool confirmation, bool closeByItself) override {
        ui_->showGenericMessage(text, confirmation, closeByItself);
    }
    // What the monitor gives up before the updater starts (its lock).
    void setHandOverStep(std::function<void()> step) { handOverStep_ = std::move(step); }
    void handingOver() override {
        if (handOverStep_) {
            handOverStep_();
        }
    }
    void requestQuit() override { process_.requestQuit(); }
    [[noreturn]] void endProcess() override {
        process_.endProcess(0);  // the updater takes over: an end as planned
        std::abort();  // endProcess never comes back
    }

private:
    MonitorUi* ui_;
    ProcessControl& process_;
    std::function<void()> handOverStep_;
};

}  // namespace velmora
