#pragma once

#include <string>

#include "dialogs/gauge_range.h"
#include "dialogs/win32_support.h"
#include "reports/interactive_session.h"

namespace velmora {

// Child control ids of the progress window.
enum Win32ProgressControl : int {
    kProgressTitle = 101,   // titleLabel
    kProgressGauge = 102,   // gaugeBar, a progress bar holding the percentage done
    kProgressFooter = 103,  // footerLabel
};

// The progress window of interactive spreadsheet runs (progressForm) as a Win32 window. Holds the one open
// window; closing it, by closeProgress or by its close box, forgets it, and the other operations then do nothing,
// so a run whose window the user closed goes on undisturbed. The operations never handle pending messages: the
// explicit repaints keep the window current.
class Win32ProgressWindow final : public ProgressWindow {
public:
    Win32ProgressWindow();
    ~Win32ProgressWindow() override;
    Win32ProgressWindow(const Win32ProgressWindow&) = delete;
    Win32ProgressWindow& operator=(const Win32ProgressWindow&) = delete;

    void openProgress() override;
    void startProgress(const std::string& caption, const std::string& title, const std::string& footer,
                       int minimum, int maximum) override;
    void advanceProgress() override;
    void closeProgress() override;

    // The open window, or null when none is open.
    HWND progressForm() const { return form_.get(); }
    const GaugeRange& gauge() const { return gauge_; }

private:
    static LRESULT CALLBACK formProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void showGauge();
    void setLabel(int id, const std::string& text);

    win32::UniqueFont font_;
    GaugeRange gauge_;
    win32::UniqueWindow form_;  // after the font, so that it goes first
};

}  // namespace velmora
