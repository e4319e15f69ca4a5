#pragma once

#include <filesystem>
#include <string>

namespace velmora {

// The progress window of runs a person watches (progressForm). Only one is open at a time.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;

    virtual void openProgress() = 0;
    virtual void startProgress(const std::string& caption, const std::string& title, const std::string& footer,
                               int minimum, int maximum) = 0;
    virtual void advanceProgress() = 0;
    virtual void closeProgress() = 0;
};

enum class ReportMessageIcon { Error, Exclamation };

// What a report run needs when a person started it and watches it. Unattended runs (every run of the monitor)
// have none: no message box, no progress window, nothing opened.
class InteractiveSession {
public:
    virtual ~InteractiveSession() = default;

    virtual ProgressWindow& progressWindow() = 0;
    // A message box with the caption "Aviso do Sistema" and an OK button.
    virtual void showReportMessage(const std::string& text, ReportMessageIcon icon) = 0;
    // The desktop's "open" action on the finished workbook.
    virtual void openWorkbook(const std::filesystem::path& file) = 0;
};

}  // namespace velmora
