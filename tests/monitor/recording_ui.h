#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "monitor/monitor_ui.h"
#include "monitor/process_control.h"

namespace velmora::test {

struct ShownMessage {
    std::string title;
    std::string text;
    MessageIcon icon;
};

// Stands in for the main window: keeps what the monitor showed and which timers run.
class RecordingUi final : public MonitorUi {
public:
    void showTrayIcon() override { trayIconShown = true; }
    void showWindow() override { visible = true; }
    void hideWindow() override { visible = false; }
    void setVersionText(const std::string& text) override { versionText = text; }
    void setActiveSinceText(const std::string& text) override { activeSinceText = text; }
    void setStatusWord(const std::string& text) override {
        statusWord = text;
        statusHistory.push_back(text);
    }
    void setProcessingText(const std::string& text) override { processingText = text; }
    void setObservationText(const std::string& text) override {
        observationText = text;
        if (!text.empty()) {
            observationHistory.push_back(text);
        }
    }
    void processPendingEvents() override {
        ++pendingEventRounds;
        if (onPendingEvents) {
            auto handler = onPendingEvents;
            onPendingEvents = nullptr;  // a waiting event runs once
            handler();
        }
    }
    void showMessageBox(const std::string& title, const std::string& text, MessageIcon icon) override {
        messageBoxes.push_back({title, text, icon});
        if (onMessageBox) {
            onMessageBox();
        }
    }
    void showGenericMessage(const std::string& text, bool confirmation, bool closeByItself) override {
        genericMessages.push_back(text);
        genericMessageConfirmation = confirmation;
        genericMessageClosesByItself = closeByItself;
    }
    void showClosingNotice(const std::string& text, std::chrono::seconds shownFor) override {
        closingNotices.push_back({text, shownFor});
    }
    void setCycleTimerActive(bool active) override { cycleTimer = active; }
    void setDisconnectTimerActive(bool active) override { disconnectTimer = active; }
    void showReports(const std::vector<ReportRow>& rows) override {
        reports = rows;
        ++gridRefreshes;
    }
    int selectedReportId() const override { return selectedId; }

    bool trayIconShown = false;
    bool visible = false;
    std::string versionText;
    std::string activeSinceText;
    std::string statusWord;
    std::vector<std::string> statusHistory;
    // The status words up to the first "DORMINDO": those of the publication pass, before the cycle's later steps.
    std::vector<std::string> passStatusHistory() const {
        std::vector<std::string> words;
        for (const auto& word : statusHistory) {
            words.push_back(word);
            if (word == "DORMINDO") {
                break;
            }
        }
        return words;
    }
    std::string processingText;
    std::string observationText;
    std::vector<std::string> observationHistory;  // every non-empty text, in order
    int pendingEventRounds = 0;
    std::function<void()> onPendingEvents;
    std::function<void()> onMessageBox;
    std::vector<ShownMessage> messageBoxes;
    std::vector<std::string> genericMessages;
    bool genericMessageConfirmation = false;
    bool genericMessageClosesByItself = false;
    std::vector<std::pair<std::string, std::chrono::seconds>> closingNotices;
    bool cycleTimer = false;
    bool disconnectTimer = true;  // runs from the creation of the window
    std::vector<ReportRow> reports;
    int gridRefreshes = 0;
    int selectedId = 0;
};

// Thrown where the real program would have ended its process; not a std::exception, so no handler of the
// monitor can swallow it.
struct ProcessEnded {};

class RecordingProcess final : public ProcessControl {
public:
    [[noreturn]] void endProcess(int exitStatus) override {
        ++endCount;
        lastExitStatus = exitStatus;
        throw ProcessEnded{};
    }
    void requestQuit() override { ++quitRequests; }

    int endCount = 0;
    int lastExitStatus = -1;
    int quitRequests = 0;
};

}  // namespace velmora::test
