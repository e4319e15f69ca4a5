#pragma once

#include <exception>
#include <string>
#include <vector>

#include "dialogs/win32_support.h"  // windows.h before shellapi.h

#include <shellapi.h>

#include "monitor/monitor_ui.h"
#include "monitor/window_events.h"

namespace velmora {

class Clock;

namespace win32 {

// A SetTimer timer of one window, stopped when it goes.
class WindowTimer {
public:
    WindowTimer(UINT_PTR id, UINT intervalMs) : id_(id), intervalMs_(intervalMs) {}
    ~WindowTimer() { stop(); }
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;

    // Starting a running timer starts its interval again.
    void start(HWND window);
    void stop();
    bool active() const { return window_ != nullptr; }

private:
    UINT_PTR id_;
    UINT intervalMs_;
    HWND window_ = nullptr;
};

// The icon in the notification area, taken away when it goes.
class TrayIcon {
public:
    TrayIcon() = default;
    ~TrayIcon() { remove(); }
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // False when there is no notification area (yet).
    bool add(HWND window, UINT callbackMessage, HICON icon, const std::wstring& tip);
    // After the notification area started again, its icons are gone.
    bool addAgain();
    void remove();
    bool shown() const { return shown_; }
    // Added, or at least tried, and not removed since.
    bool wanted() const { return requested_; }

private:
    NOTIFYICONDATAW data_{};
    bool requested_ = false;
    bool shown_ = false;
};

}  // namespace win32

// TfrmPrincipal on the Win32 API: the window, its tray icon and its timers. It only draws and forwards events to
// the monitor. Everything runs on the thread that created it.
class Win32MainWindow final : public MonitorUi {
public:
    // Child control and menu item ids.
    enum Control : int {
        reportsGroup = 100,
        reportsGrid,
        processingCaption,
        processingLabel,
        observationCaption,
        observationLabel,
        versionLabel,
        activeSinceLabel,
        statusCaption,
        statusLabel,
        remindersNowButton,
        publishNowButton,
        hideButton,
        bevelBelowGrid,
        bevelBelowLabels,
        bevelAboveButtons,
        openMenuItem = 200,
        quitMenuItem,
    };
    static constexpr UINT kTrayCallbackMessage = WM_USER + 1;
    static constexpr UINT_PTR kCycleTimerId = 1;
    static constexpr UINT_PTR kDisconnectTimerId = 2;
    static constexpr UINT_PTR kTrayRetryTimerId = 3;

    explicit Win32MainWindow(Clock& clock);
    ~Win32MainWindow() override;
    Win32MainWindow(const Win32MainWindow&) = delete;
    Win32MainWindow& operator=(const Win32MainWindow&) = delete;

    // Events go to this monitor from now on.
    void attach(WindowEvents& monitor) { monitor_ = &monitor; }

    // Runs until quitMessageLoop (or any PostQuitMessage of this thread), also one that came before the loop
    // started; returns the exit code given. An exception thrown by an event handler comes out of here.
    int runMessageLoop();
    void quitMessageLoop(int exitCode = 0) { PostQuitMessage(exitCode); }

    HWND handle() const { return window_.get(); }
    HMENU trayMenu() const { return trayMenu_.get(); }
    bool trayIconShown() const { return trayIcon_.shown(); }
    bool trayIconRetrying() const { return trayRetry_.active(); }

    void showTrayIcon() override;
    void showWindow() override;
    void hideWindow() override;
    void setVersionText(const std::string& text) override;
    void setActiveSinceText(const std::string& text) override;
    void setStatusWord(const std::string& text) override;
    void setProcessingText(const std::string& text) override;
    void setObservationText(const std::string& text) override;
    void processPendingEvents() override;
    void showMessageBox(const std::string& title, const std::string& text, MessageIcon icon) override;
    void showGenericMessage(const std::string& text, bool confirmation, bool closeByItself) override;
    void showClosingNotice(const std::string& text, std::chrono::seconds shownFor) override;
    void setCycleTimerActive(bool active) override;
    void setDisconnectTimerActive(bool active) override;
    void showReports(const std::vector<ReportRow>& rows) override;
    int selectedReportId() const override;

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void buildLayout(HWND window);
    void buildGrid(HWND window);
    void buildTrayMenu();
    void onCommand(int id);
    void onTrayEvent(HWND window, LPARAM mouseEvent);
    void retryTrayIconUnless(bool added);
    void endSession();
    void onGridChange(const NMLISTVIEW& change);
    void restoreSelection();
    void selectRow(int row);
    void noteShown(HWND window);
    void setLabel(int id, const std::string& text);
    void fire(void (WindowEvents::*handler)());
    void dispatch(MSG& message);
    void rethrowHandlerFailure();

    Clock& clock_;
    WindowEvents* monitor_ = nullptr;
    win32::UniqueFont font_;
    win32::UniqueFont boldFont_;
    win32::UniqueIcon bigIcon_;
    win32::UniqueIcon smallIcon_;
    win32::UniqueImageList rowHeight_;
    win32::UniqueMenu trayMenu_;
    UINT taskbarCreatedMessage_ = 0;
    // The members above outlive the window; those below go before it.
    win32::UniqueWindow window_;
    win32::WindowTimer cycleTimer_;
    win32::WindowTimer disconnectTimer_;
    win32::WindowTimer trayRetry_;
    win32::TrayIcon trayIcon_;

    HWND grid_ = nullptr;
    HWND focus_ = nullptr;  // the control that had the keyboard when the window was last left
    std::vector<ReportRow> rows_;  // what the grid shows, with the hidden ID and TP_PUBLICACAO
    int currentRow_ = -1;
    bool shown_ = false;
    bool quitReceived_ = false;
    int exitCode_ = 0;
    std::exception_ptr handlerFailure_;
};

}  // namespace velmora
