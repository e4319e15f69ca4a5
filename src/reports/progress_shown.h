#pragma once

#include "reports/interactive_session.h"

namespace velmora {

// The progress window of a run a person watches, open from here to the end of the run however it ends. Without
// a session (unattended runs) there is no window.
class ProgressShown {
public:
    explicit ProgressShown(InteractiveSession* interactive)
        : window_(interactive != nullptr ? &interactive->progressWindow() : nullptr) {
        if (window_ != nullptr) {
            window_->openProgress();
        }
    }
    ~ProgressShown() {
        if (window_ != nullptr) {
            try {
                window_->closeProgress();
            } catch (...) {
                // The run's own outcome matters more than a window that would not close.
            }
        }
    }
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;

    // Null without a session.
    ProgressWindow* window() const { return window_; }

private:
    ProgressWindow* window_;
};

}  // namespace velmora
