#pragma once

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>

#include "monitor/monitor_ui.h"
#include "monitor/window_events.h"

namespace velmora {

class Clock;

// TfrmPrincipal: the window, its tray icon and its timers. It only draws and forwards events to the monitor.
class MainWindow final : public QWidget, public MonitorUi {
public:
    explicit MainWindow(Clock& clock);
    ~MainWindow() override;

    // Events go to this monitor from now on.
    void attach(WindowEvents& monitor) { monitor_ = &monitor; }
    // With nobody at the screen, a message box would hold the monitor up for good: it is only traced, and
    // returns as if OK had been clicked.
    void setUnattended(bool unattended) { unattended_ = unattended; }

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

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildLayout();
    void buildTray();
    static void setLabel(QLabel* label, const std::string& text);

    Clock& clock_;
    WindowEvents* monitor_ = nullptr;
    bool unattended_ = false;
    QTableWidget* reportsGrid_ = nullptr;
    QLabel* processingLabel_ = nullptr;
    QLabel* observationLabel_ = nullptr;
    QLabel* versionLabel_ = nullptr;
    QLabel* activeSinceLabel_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QPushButton* remindersNowButton_ = nullptr;
    QPushButton* publishNowButton_ = nullptr;
    QPushButton* hideButton_ = nullptr;
    QTimer cycleTimer_;
    QTimer disconnectTimer_;
    QMenu trayMenu_;
    QSystemTrayIcon trayIcon_;
};

}  // namespace velmora
