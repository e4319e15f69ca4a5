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
    virtual void setVersionText(const std::string& text) = 0;
    virtual void setActiveSinceText(const std::string& text) = 0;
    virtual void setStatusWord(const std::string& text) = 0;
    virtual void setProcessingText(const std::string& text) = 0;   // "Processando:"
    virtual void setObservationText(const std::string& text) = 0;  // "Observações:"

    // Lets timer events and clicks that are waiting run now.
    virtual void processPendingEvents() = 0;

    // A modal message box; returns when the user closed it (at once when the program runs unattended).
    virtual void showMessageBox(const std::string& title, const std::string& text, MessageIcon icon) = 0;
    // The generic message window; with closeByItself it returns after its 5 seconds.
    virtual void showGenericMessage(const std::string& text, bool confirmation, bool closeByItself) = 0;
    // The same window without controls, up for `shownFor` and closed; for a notice the program ends after, so that
    // an unattended start does not hang on it.
    virtual void showClosingNotice(const std::string& text, std::chrono::seconds shownFor) = 0;

    // Switching the cycle timer on restarts its minute.
    virtual void setCycleTimerActive(bool active) = 0;
    virtual void setDisconnectTimerActive(bool active) = 0;

    virtual void showReports(const std::vector<ReportRow>& rows) = 0;
    // Report id of the grid's current row; 0 when the grid is empty.
    virtual int selectedReportId() const = 0;
};

}  // namespace velmora
