#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "reports/interactive_session.h"

namespace velmora::test {

// The progress window of a watched report run, as calls in their order (advances only counted).
class RecordingProgress : public ProgressWindow {
public:
    void openProgress() override { calls.push_back("abrir"); }
    void startProgress(const std::string& caption, const std::string& title, const std::string& footer, int minimum,
                       int maximum) override {
        calls.push_back("iniciar " + caption + "|" + title + "|" + footer + "|" + std::to_string(minimum) + "|" +
                        std::to_string(maximum));
    }
    void advanceProgress() override { ++advances; }
    void closeProgress() override { calls.push_back("fechar"); }

    std::vector<std::string> calls;
    int advances = 0;
};

// A person watching a report run: what they were shown and which file was opened for them.
class RecordingSession : public InteractiveSession {
public:
    ProgressWindow& progressWindow() override { return progress; }
    void showReportMessage(const std::string& text, ReportMessageIcon icon) override { messages.push_back({text, icon}); }
    void openWorkbook(const std::filesystem::path& file) override { opened.push_back(file); }

    RecordingProgress progress;
    std::vector<std::pair<std::string, ReportMessageIcon>> messages;
    std::vector<std::filesystem::path> opened;
};

}  // namespace velmora::test
