#include "monitor/run_journal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
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

fs::path olderFile(const fs::path& file, int number) {
    return file.parent_path() / utf8Path(utf8Text(file.filename()) + "." + std::to_string(number));
}

// The full file goes to ".0" first: when another program holds it open (Windows refuses the rename), none of
// the older files has been shifted for nothing. Then ".0" ... become ".1" ..., the one past the kept ones removed
// (".0" itself when none are kept). Whether it worked shows in the size of the file opened next.
void moveAside(const fs::path& file, int keptFiles) {
    if (platform::replaceFile(file, olderFile(file, 0)) != 0) {
        return;
    }
    keptFiles = std::max(keptFiles, 0);
    platform::removeFile(olderFile(file, keptFiles));
    for (int number = keptFiles - 1; number >= 0; --number) {
        platform::replaceFile(olderFile(file, number), olderFile(file, number + 1));  // a missing one is no matter
    }
}

// 0 or the errno value.
int openForAppend(const fs::path& file, FileDescriptor& out, std::uintmax_t& size) {
    const int descriptor = platform::openFile(file, platform::OpenMode::Append);
    if (descriptor < 0) {
        return errno;
    }
    out = FileDescriptor(descriptor);
    const long long bytes = platform::fileSize(descriptor);
    if (bytes < 0) {
        return errno;
    }
    size = static_cast<std::uintmax_t>(bytes);
    return 0;
}

// 0 or the errno value of the failure that stopped it.
int appendLines(const fs::path& file, const JournalLimits& limits, const std::deque<std::string>& lines) {
    FileDescriptor out;
    std::uintmax_t size = 0;
    if (const int error = openForAppend(file, out, size)) {
        return error;
    }
    bool cannotMove = false;
    for (const auto& line : lines) {
        // A line longer than the limit still goes whole into a file of its own.
        if (size > 0 && !cannotMove && size + line.size() > limits.maxBytes) {
            if (const int error = out.close()) {
                return error;
            }
            moveAside(file, limits.keptFiles);
            if (const int error = openForAppend(file, out, size)) {
                return error;
            }
            cannotMove = size > 0;
        }
        if (const int error = out.writeAll(line)) {
            return error;
        }
        size += line.size();
    }
    return out.close();
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
    case JournalKind::Inicio:
        return "INICIO";
    case JournalKind::Fim:
        return "FIM";
    case JournalKind::Publicacao:
        return "PUBLICACAO";
    case JournalKind::Lembrete:
        return "LEMBRETE";
    case JournalKind::Pesquisa:
        return "PESQUISA";
    case JournalKind::Mensagem:
        return "MENSAGEM";
    }
    return "MENSAGEM";
}

std::string journalFileName(const std::string& programPath) {
    constexpr std::string_view kLockEnding = ".lock";
    std::string name = NomeArquivoTrava(programPath);
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
    }
    changed_.notify_all();
}

void RunJournal::record(JournalEntry entry) {
    try {
        std::string line = journalLine(clock_.now(), entry);
        {
            const std::lock_guard lock(mutex_);
            if (givenUp_) {
                return;
            }
            queue_.push_back(std::move(line));
            ++recorded_;
        }
        changed_.notify_all();
    } catch (...) {
        // A journal line is never worth stopping a cycle for.
    }
}

void RunJournal::flush() {
    std::unique_lock lock(mutex_);
    const std::uint64_t target = recorded_;
    changed_.wait(lock, [this, target] { return !opened_ || settled_ >= target; });
}

std::optional<std::string> RunJournal::takeFailure() {
    const std::lock_guard lock(mutex_);
    return std::exchange(failure_, std::nullopt);
}

void RunJournal::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || (opened_ && !queue_.empty()); });
        if (!opened_ || queue_.empty()) {
            return;  // lines recorded for an open() that never came have nowhere to go
        }
        const std::deque<std::string> batch = std::exchange(queue_, {});
        const fs::path file = file_;
        lock.unlock();
        int error = 0;
        try {
            error = appendLines(file, limits_, batch);
        } catch (...) {
            error = ENOMEM;  // only allocations throw there
        }
        lock.lock();
        settled_ += batch.size();
        if (error != 0) {
            giveUp("Não foi possível gravar o diário de execução " + utf8Text(file) + ": " + fileErrorReason(error));
        }
        changed_.notify_all();
    }
}

void RunJournal::giveUp(std::string failure) {
    givenUp_ = true;
    failure_ = std::move(failure);
    settled_ += queue_.size();
    queue_.clear();
}

std::map<std::string, JournalOutcome> readLastPublications(const fs::path& journalFile, int keptFiles) {
    std::map<std::string, JournalOutcome> last;
    for (int number = keptFiles; number >= 0; --number) {
        const auto bytes = readBytes(number == 0 ? journalFile : olderFile(journalFile, number));
        if (!bytes) {
            continue;
        }
        for (const auto& line : splitLines(windows1252ToUtf8(*bytes))) {
            const auto fields = splitFields(line);
            if (fields.size() != 5 || fields[1] != journalKindText(JournalKind::Publicacao) ||
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
