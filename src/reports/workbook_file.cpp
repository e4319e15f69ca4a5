#include "reports/workbook_file.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string_view>
#include <chrono>

#include "common/file_descriptor.h"
#include "common/file_error.h"
#include "common/platform_files.h"
#include "common/utf8_path.h"

namespace velmora {

namespace {

constexpr std::string_view kTemporaryPrefix = ".planilha.";
constexpr std::string_view kTemporaryEnding = ".tmp";
constexpr auto kAbandonedAfter = std::chrono::hours(1);

std::string randomSuffix() {
    std::random_device random;
    const std::uint64_t value = (std::uint64_t{random()} << 32) | random();
    char text[16];
    const auto end = std::to_chars(text, text + sizeof text, value, 16).ptr;
    return std::string(text, end);
}

// Returns 0 or the errno value.
int syncFile(const std::filesystem::path& path) {
    const FileDescriptor file(platform::openFile(path, platform::OpenMode::WriteExisting));
    if (!file.valid()) {
        return errno;
    }
    return platform::flushToDisk(file.get());
}

}  // namespace

std::string workbookWriteError(const std::filesystem::path& workbook, const std::string& reason) {
    return "Não foi possível gravar a planilha " + utf8Text(workbook) + ": " + reason;
}

int replaceBlocker(const std::filesystem::path& target) {
    std::error_code error;
    const auto status = std::filesystem::status(target, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return 0;
    }
    if (error) {
        return platform::errnoOf(error);
    }
    if (status.type() == std::filesystem::file_type::directory) {
        return EISDIR;
    }
    const FileDescriptor file(platform::openFile(target, platform::OpenMode::WriteExisting));
    return file.valid() ? 0 : errno;
}

void removeAbandonedTemporaryWorkbooks(const std::filesystem::path& folder) noexcept {
    try {
        std::error_code error;
        const auto now = std::filesystem::file_time_type::clock::now();
        for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
             entry.increment(error)) {
            const std::string name = utf8Text(entry->path().filename());
            if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporaryEnding) ||
                !entry->is_regular_file(error)) {
                continue;
            }
            const auto changed = entry->last_write_time(error);
            if (!error && now - changed > kAbandonedAfter) {
                platform::removeFile(entry->path());
            }
            error.clear();
        }
    } catch (...) {
        // Tidying up never stops a run.
    }
}

TemporaryWorkbookFile::TemporaryWorkbookFile(const std::filesystem::path& target) : target_(target) {
    const auto folder = target.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Short, so that any target name that fits the folder leaves room for it.
        auto candidate = folder / utf8Path(std::string(kTemporaryPrefix) + randomSuffix() + std::string(kTemporaryEnding));
        if (const FileDescriptor file(platform::openFile(candidate, platform::OpenMode::CreateNew)); file.valid()) {
            path_ = std::move(candidate);
            return;
        }
        if (errno != EEXIST) {
            throw std::runtime_error(workbookWriteError(target, fileErrorReason(errno)));
        }
    }
    throw std::runtime_error(workbookWriteError(target, fileErrorReason(EEXIST)));
}

TemporaryWorkbookFile::~TemporaryWorkbookFile() {
    if (!path_.empty()) {
        platform::removeFile(path_);
    }
}

void TemporaryWorkbookFile::replaceTarget() {
    if (const int error = syncFile(path_)) {
        throw std::runtime_error(workbookWriteError(target_, fileErrorReason(error)));
    }
    if (const int error = platform::replaceFile(path_, target_)) {
        throw std::runtime_error(workbookWriteError(target_, fileErrorReason(error)));
    }
    path_.clear();
    platform::flushFolder(target_.parent_path());
}

}  // namespace velmora
