#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "monitor/report_row.h"

namespace velmora {

enum class MessageIcon { Error, Warning, Information, None };

// What the monitor core needs from its window. The Qt main window implements it; tests record the calls.
class MonitorUi {
public:
    virtual ~MonitorUi() = default;

    virtual void showTrayIcon() = 0;
    virtual void showWindow() = 0;
    virtual void hideWindow() = 0;

    // The labels; each is repainted at once, so it shows while the caller goes on working.
    virtual void setVersionText(const std::string& text) = 0;       // versionLabel
    virtual void setActiveSinceText(const std::string& text) = 0;   // activeSinceLabel
    virtual void setStatusWord(const std::string& text) = 0;        // statusLabel
    virtual void setProcessingText(const std::string& text) = 0;    // processingLabel
    virtual void setObservationText(const std::string& text) = 0;   // observationLabel

    // Lets timer events and clicks that are waiting run now.
    virtual void processPendingEvents() = 0;

    // A modal message box; returns when the user closed it (at once when the program runs unattended).
    virtual void showMessageBox(const std::string& title, const std::string& text, MessageIcon icon) = 0;
    // The generic message window (showGenericMessageWindow); with closeByItself it returns after its 5 seconds.
    virtual void showGenericMessage(const std::string& text, bool confirmation, bool closeByItself) = 0;
    // The same window without controls, up for `shownFor` and closed; for a notice the program ends after, so that
    // an unattended start does not hang on it.
    virtual void showClosingNotice(const std::string& text, std::chrono::seconds shownFor) = 0;

    virtual void setCycleTimerActive(bool active) = 0;       // cycleTimer; switching it on restarts its minute
    virtual void setDisconnectTimerActive(bool active) = 0;  // disconnectTimer

    virtual void showReports(const std::vector<ReportRow>& rows) = 0;
    // Report id of the grid's current row; 0 when the grid is empty.
    virtual int selectedReportId() const = 0;
};

}  // namespace velmora
