#pragma once

#include <string>
#include <vector>

#include "monitor/monitor_ui.h"
#include "monitor/run_journal.h"

namespace velmora {

// The window as the monitor sees it: every message shown to the user also goes into the run journal, so that
// what a box said at night can still be read in the morning.
class JournalingUi final : public MonitorUi {
public:
    JournalingUi(MonitorUi& window, RunJournal& journal) : window_(window), journal_(journal) {}

    void showTrayIcon() override { window_.showTrayIcon(); }
    void showWindow() override { window_.showWindow(); }
    void hideWindow() override { window_.hideWindow(); }
    void setVersionText(const std::string& text) override { window_.setVersionText(text); }
    void setActiveSinceText(const std::string& text) override { window_.setActiveSinceText(text); }
    void setStatusWord(const std::string& text) override { window_.setStatusWord(text); }
    void setProcessingText(const std::string& text) override { window_.setProcessingText(text); }
    void setObservationText(const std::string& text) override { window_.setObservationText(text); }
    void processPendingEvents() override { window_.processPendingEvents(); }
    void showMessageBox(const std::string& title, const std::string& text, MessageIcon icon) override {
        journal_.record({JournalKind::Message, title, icon != MessageIcon::Error, text});
        window_.showMessageBox(title, text, icon);
    }
    void showGenericMessage(const std::string& text, bool confirmation, bool closeByItself) override {
        journal_.record({JournalKind::Message, "Aviso do Sistema", true, text});
        window_.showGenericMessage(text, confirmation, closeByItself);
    }
    void showClosingNotice(const std::string& text, std::chrono::seconds shownFor) override {
        journal_.record({JournalKind::Message, "Aviso do Sistema", false, text});
        window_.showClosingNotice(text, shownFor);
    }
    void setCycleTimerActive(bool active) override { window_.setCycleTimerActive(active); }
    void setDisconnectTimerActive(bool active) override { window_.setDisconnectTimerActive(active); }
    void showReports(const std::vector<ReportRow>& rows) override { window_.showReports(rows); }
    int selectedReportId() const override { return window_.selectedReportId(); }

private:
    MonitorUi& window_;
    RunJournal& journal_;
};

}  // namespace velmora
