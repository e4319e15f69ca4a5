#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <string>

namespace velmora {

struct JournalLimits {
    // Size limit of the journal file and how many older files are kept beside it (".1" the newest).
    std::uintmax_t maxBytes = 5 * 1024 * 1024;
    int keptFiles = 3;
    // While the file cannot be written: how many lines wait for it (the oldest dropped beyond), and how long after a
    // failed attempt the journal tries again by itself.
    std::size_t maxWaitingLines = 4000;
    std::chrono::milliseconds retryInterval = std::chrono::seconds(20);
};

std::filesystem::path olderJournalFile(const std::filesystem::path& file, int number);

struct AppendOutcome {
    std::size_t written = 0;  // lines from the front that are in the file
    int error = 0;            // errno value of the failure that stopped it
};

// Appends the lines in order, moving a full file aside first (see RunJournal). A line is in the file whole or not
// at all: a write that fails part-way is cut off again, and where even that fails the next append begins on a new
// line. A failure that shows only when the file is closed leaves `written` at every line: they may well be there,
// and writing them again would double them.
AppendOutcome appendWholeLines(const std::filesystem::path& file, const JournalLimits& limits,
                               const std::deque<std::string>& lines);

}  // namespace velmora
