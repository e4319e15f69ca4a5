#include "monitor/journal_file.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

#include "common/file_descriptor.h"
#include "common/platform_files.h"
#include "common/utf8_path.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// The full file goes to ".0" first: when another program holds it open (Windows refuses the rename), none of
// the older files has been shifted for nothing. Then ".0" ... become ".1" ..., the one past the kept ones removed
// (".0" itself when none are kept). Whether it worked shows in the size of the file opened next.
void moveAside(const fs::path& file, int keptFiles) {
    if (platform::replaceFile(file, olderJournalFile(file, 0)) != 0) {
        return;
    }
    keptFiles = std::max(keptFiles, 0);
    platform::removeFile(olderJournalFile(file, keptFiles));
    for (int number = keptFiles - 1; number >= 0; --number) {
        // A missing one is no matter.
        platform::replaceFile(olderJournalFile(file, number), olderJournalFile(file, number + 1));
    }
}

// A file left with a half line (by a crash, or a cut that failed) must not have the next line glued to it. A last
// line that cannot be read is taken as unfinished: an empty line costs less than a glued one.
std::string_view lineEndNeeded(const fs::path& file, std::uintmax_t size) {
    if (size == 0) {
        return {};
    }
    const FileDescriptor in(platform::openFile(file, platform::OpenMode::Read));
    char last[2] = {};
    if (size >= kLineEnd.size() && in.valid() &&
        platform::readAt(in.get(), static_cast<long long>(size - kLineEnd.size()), last, sizeof last) ==
            static_cast<long long>(sizeof last) &&
        std::string_view(last, sizeof last) == kLineEnd) {
        return {};
    }
    return kLineEnd;
}

struct AppendTarget {
    FileDescriptor out;
    std::uintmax_t size = 0;
    std::string_view lineEnd;  // owed before the next line
};

// 0 or the errno value.
int openForAppend(const fs::path& file, AppendTarget& target) {
    const int descriptor = platform::openFile(file, platform::OpenMode::Append);
    if (descriptor < 0) {
        return errno;
    }
    target.out = FileDescriptor(descriptor);
    const long long bytes = platform::fileSize(descriptor);
    if (bytes < 0) {
        return errno;
    }
    target.size = static_cast<std::uintmax_t>(bytes);
    target.lineEnd = lineEndNeeded(file, target.size);
    return 0;
}

// 0 or the errno value.
int appendWhole(AppendTarget& target, std::string_view line) {
    int error = target.out.writeAll(target.lineEnd);
    if (error == 0) {
        error = target.out.writeAll(line);
    }
    if (error != 0) {
        platform::truncateFile(target.out.get(), static_cast<long long>(target.size));
        return error;
    }
    target.size += target.lineEnd.size() + line.size();
    target.lineEnd = {};
    return 0;
}

}  // namespace

fs::path olderJournalFile(const fs::path& file, int number) {
    return file.parent_path() / utf8Path(utf8Text(file.filename()) + "." + std::to_string(number));
}

AppendOutcome appendWholeLines(const fs::path& file, const JournalLimits& limits,
                               const std::deque<std::string>& lines) {
    AppendOutcome outcome;
    AppendTarget target;
    if ((outcome.error = openForAppend(file, target)) != 0) {
        return outcome;
    }
    bool cannotMove = false;
    for (const auto& line : lines) {
        // A line longer than the limit still goes whole into a file of its own.
        if (target.size > 0 && !cannotMove && target.size + line.size() > limits.maxBytes) {
            if ((outcome.error = target.out.close()) != 0) {
                return outcome;
            }
            moveAside(file, limits.keptFiles);
            if ((outcome.error = openForAppend(file, target)) != 0) {
                return outcome;
            }
            cannotMove = target.size > 0;
        }
        if ((outcome.error = appendWhole(target, line)) != 0) {
            return outcome;
        }
        ++outcome.written;
    }
    outcome.error = target.out.close();
    return outcome;
}

}  // namespace velmora
