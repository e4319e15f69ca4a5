#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/date_time.h"
#include "monitor/run_journal.h"

namespace velmora {

// What this run of the monitor knows of each report's publications (by report name): the grid's
// "Último resultado", and when a report has failed long enough for the failure notice.
class PublicationOutcomes {
public:
    // Passes in a row that fail before the notice goes out.
    static constexpr int kFailedPassesForNotice = 3;
    // Error texts the notice repeats, the latest last.
    static constexpr std::size_t kErrorsKept = 5;

    void succeeded(const std::string& report);
    void failed(const std::string& report, const std::string& reason, DateTime at);

    // True once per failure streak: after kFailedPassesForNotice failed passes in a row, or when the report has
    // not been published for twice its interval (counted from its last publication, or from the streak's first
    // failure when it never was). A success starts over.
    bool noticeDue(const std::string& report, std::optional<DateTime> lastPublished, std::chrono::minutes interval,
                   DateTime now);
    void noticeSent(const std::string& report);
    const std::vector<std::pair<DateTime, std::string>>& recentErrors(const std::string& report) const;

    // "OK", "Falhou: " + the reason's first line (shortened), or empty for a report without an attempt.
    std::string gridText(const std::string& report) const;
    // The outcomes of the last run, from its journal; an attempt of this run replaces them.
    void takeFromJournal(const std::map<std::string, JournalOutcome>& last);

private:
    struct Report {
        std::optional<bool> lastOk;
        std::string lastError;
        int failedInARow = 0;
        std::optional<DateTime> streakStart;
        bool noticeSent = false;
        std::vector<std::pair<DateTime, std::string>> errors;
    };
    std::map<std::string, Report> reports_;
};

}  // namespace velmora
