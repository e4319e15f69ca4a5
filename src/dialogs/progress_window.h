#pragma once

#include <QMetaObject>
#include <QPointer>
#include <string>

#include "dialogs/progress_form.h"
#include "reports/interactive_session.h"

namespace velmora {

// The progress window of interactive spreadsheet runs. Holds the one reference to the open form; the reference
// is cleared whenever the form closes, by closeProgress or by its close box. Once the window is gone, the
// other operations do nothing, so a run whose window the user closed goes on undisturbed.
// The operations never process pending events: the explicit repaints keep the window current.
class QtProgressWindow final : public ProgressWindow {
public:
    QtProgressWindow() = default;
    ~QtProgressWindow() override;
    QtProgressWindow(const QtProgressWindow&) = delete;
    QtProgressWindow& operator=(const QtProgressWindow&) = delete;

    void openProgress() override;
    void startProgress(const std::string& caption, const std::string& title, const std::string& footer,
                       int minimum, int maximum) override;
    void advanceProgress() override;
    void closeProgress() override;

    // The open form, or null when none is open.
    ProgressForm* progressForm() const { return progressForm_.data(); }

private:
    QPointer<ProgressForm> progressForm_;
    QMetaObject::Connection formClose_;
};

}  // namespace velmora
