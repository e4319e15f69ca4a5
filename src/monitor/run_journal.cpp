#include "monitor/run_journal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "common/clock.h"
#include "common/file_descriptor.h"
#include "common/file_error.h"
#include "common/platform_files.h"
#include "common/ptbr_format.h"
#include "common/text_encoding.h"
#include "common/utf8_path.h"
#include "monitor/instance_lock.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTimePattern = "yyyy-mm-dd hh:nn:ss";
constexpr std::string_view kTimeShape = "0000-00-00 00:00:00";
constexpr std::string_view kOk = "OK";
constexpr std::string_view kFailed = "FALHA";

// A share that is away for a moment, or a spreadsheet holding the file, is no reason to stop journaling.
constexpr int kAttemptsBeforeGivingUp = 3;
constexpr std::chrono::minutes kFailingBeforeGivingUp{5};

// A field must not break the line into more fields or more lines.
std::string cleanField(std::string_view text) {
    std::string field(text);
    std::replace_if(field.begin(), field.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return field;
}

std::string journalLine(DateTime time, const JournalEntry& entry) {
    std::string line = formatDateTime(time, kTimePattern);
    line += '\t';
    line += journalKindText(entry.kind);
    line += '\t';
    line += cleanField(entry.subject);
    line += '\t';
    line += entry.ok ? kOk : kFailed;
    line += '\t';
    line += cleanField(entry.detail);
    return utf8ToWindows1252(line) + "\r\n";
}

std::optional<std::string> readBytes(const fs::path& file) {
    const FileDescriptor in(platform::openFile(file, platform::OpenMode::Read));
    if (!in.valid()) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const long long count = platform::readSome(in.get(), buffer, sizeof buffer);
        if (count == 0) {
            return bytes;
        }
        if (count < 0) {
            return std::nullopt;
        }
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
}

std::optional<DateTime> parseTime(std::string_view text) {
    if (text.size() != kTimeShape.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool fits = kTimeShape[i] == '0' ? text[i] >= '0' && text[i] <= '9' : text[i] == kTimeShape[i];
        if (!fits) {
            return std::nullopt;
        }
    }
    const auto number = [text](std::size_t at, std::size_t digits) {
        unsigned value = 0;
        for (std::size_t i = at; i < at + digits; ++i) {
            value = value * 10 + static_cast<unsigned>(text[i] - '0');
        }
        return value;
    };
    const int year = static_cast<int>(number(0, 4));
    const unsigned month = number(5, 2);
    const unsigned day = number(8, 2);
    const unsigned hour = number(11, 2);
    const unsigned minute = number(14, 2);
    const unsigned second = number(17, 2);
    const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
    if (!date.ok() || hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    return makeDateTime(year, month, day, hour, minute, second);
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) {
            return fields;
        }
        line.remove_prefix(tab + 1);
    }
}

}  // namespace

const char* journalKindText(JournalKind kind) {
    switch (kind) {
    case JournalKind::Start:
        return "INICIO";
    case JournalKind::End:
        return "FIM";
    case JournalKind::Publication:
        return "PUBLICACAO";
    case JournalKind::Reminder:
        return "LEMBRETE";
    case JournalKind::Survey:
        return "PESQUISA";
    case JournalKind::Message:
        return "MENSAGEM";
    }
    return "MENSAGEM";
}

std::string journalFileName(const std::string& programPath) {
    constexpr std::string_view kLockEnding = ".lock";
    std::string name = lockFileName(programPath);
    name.replace(name.size() - kLockEnding.size(), kLockEnding.size(), ".log");
    return name;
}

RunJournal::RunJournal(const Clock& clock, JournalLimits limits)
    : clock_(clock), limits_(limits), writer_([this] { run(); }) {}

RunJournal::~RunJournal() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    writer_.join();
}

void RunJournal::open(fs::path file) {
    {
        const std::lock_guard lock(mutex_);
        file_ = std::move(file);
        opened_ = true;
        attemptWanted_ = true;
    }
    changed_.notify_all();
}

void RunJournal::record(JournalEntry entry) {
    try {
        std::string line = journalLine(clock_.now(), entry);
        {
            const std::lock_guard lock(mutex_);
            queue_.push_back(std::move(line));
            dropOldestBeyondLimit();
            // Once given up, only the retry interval sets the pace, so that a busy monitor does not try at every line.
            attemptWanted_ = attemptWanted_ || !givenUp_;
        }
        changed_.notify_all();
    } catch (...) {
        // A journal line is never worth stopping a cycle for.
    }
}

void RunJournal::flush() {
    std::unique_lock lock(mutex_);
    const auto nothingLeft = [this] { return !attempting_ && queue_.empty(); };
    if (!opened_ || nothingLeft()) {
        return;
    }
    // The attempt under way may have taken only part of the lines: the one after it covers them all.
    const std::uint64_t covering = finishedAttempts_ + (attempting_ ? 1 : 0);
    attemptWanted_ = true;
    changed_.notify_all();
    changed_.wait(lock, [&] { return nothingLeft() || finishedAttempts_ > covering; });
}

std::optional<std::string> RunJournal::takeFailure() {
    const std::lock_guard lock(mutex_);
    return std::exchange(failure_, std::nullopt);
}

bool RunJournal::attemptDue() const {
    if (!opened_ || queue_.empty()) {
        return false;
    }
    return stopping_ || attemptWanted_ || (failedAttempts_ > 0 && std::chrono::steady_clock::now() >= nextRetry_);
}

void RunJournal::waitForAttempt(std::unique_lock<std::mutex>& lock) {
    while (!stopping_ && !attemptDue()) {
        if (failedAttempts_ > 0 && !queue_.empty() && std::chrono::steady_clock::now() < nextRetry_) {
            changed_.wait_until(lock, nextRetry_);
        } else {
            changed_.wait(lock);
        }
    }
}

void RunJournal::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        waitForAttempt(lock);
        if (!attemptDue()) {
            return;  // stopping; lines recorded for an open() that never came have nowhere to go
        }
        const bool lastAttempt = stopping_;
        attemptWanted_ = false;
        std::deque<std::string> batch = std::exchange(queue_, {});
        attempting_ = true;
        const fs::path file = file_;
        lock.unlock();
        AppendOutcome outcome;
        try {
            outcome = appendWholeLines(file, limits_, batch);
        } catch (...) {
            outcome.error = ENOMEM;  // only allocations throw there
        }
        lock.lock();
        attempting_ = false;
        ++finishedAttempts_;
        if (outcome.error == 0) {
            failedAttempts_ = 0;
            givenUp_ = false;
        } else {
            batch.erase(batch.begin(), batch.begin() + static_cast<std::ptrdiff_t>(outcome.written));
            queue_.insert(queue_.begin(), std::make_move_iterator(batch.begin()), std::make_move_iterator(batch.end()));
            dropOldestBeyondLimit();
            noteFailure("Não foi possível gravar o diário de execução " + utf8Text(file) + ": " +
                        fileErrorReason(outcome.error));
        }
        changed_.notify_all();
        if (lastAttempt) {
            return;
        }
    }
}

void RunJournal::noteFailure(std::string failure) {
    const DateTime now = clock_.now();
    if (failedAttempts_++ == 0) {
        firstFailure_ = now;
    }
    nextRetry_ = std::chrono::steady_clock::now() + limits_.retryInterval;
    if (!givenUp_ && failedAttempts_ >= kAttemptsBeforeGivingUp && now - firstFailure_ >= kFailingBeforeGivingUp) {
        givenUp_ = true;
        failure_ = std::move(failure);
        queue_.clear();
    }
}

void RunJournal::dropOldestBeyondLimit() {
    while (queue_.size() > std::max<std::size_t>(limits_.maxWaitingLines, 1)) {
        queue_.pop_front();
    }
}

std::map<std::string, JournalOutcome> readLastPublications(const fs::path& journalFile, int keptFiles) {
    std::map<std::string, JournalOutcome> last;
    for (int number = keptFiles; number >= 0; --number) {
        const auto bytes = readBytes(number == 0 ? journalFile : olderJournalFile(journalFile, number));
        if (!bytes) {
            continue;
        }
        for (const auto& line : splitLines(windows1252ToUtf8(*bytes))) {
            const auto fields = splitFields(line);
            if (fields.size() != 5 || fields[1] != journalKindText(JournalKind::Publication) ||
                (fields[3] != kOk && fields[3] != kFailed)) {
                continue;
            }
            if (const auto time = parseTime(fields[0])) {
                last[std::string(fields[2])] = JournalOutcome{fields[3] == kOk, std::string(fields[4]), *time};
            }
        }
    }
    return last;
}

}  // namespace velmora
