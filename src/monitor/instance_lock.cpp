#include "monitor/instance_lock.h"

#include <cerrno>
#include <chrono>
#include <filesystem>

#include "common/file_descriptor.h"
#include "common/file_error.h"
#include "common/platform_files.h"
#include "common/text.h"
#include "common/text_encoding.h"
#include "common/text_file.h"
#include "common/utf8_path.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// Far more than a lock holds: a file this long was not written by a monitor.
constexpr std::size_t kLongestLock = 64 * 1024;

std::string lockBytes(const std::string& programPath) {
    const auto stamp =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch());
    return utf8ToWindows1252("Este arquivo indica que o monitor " + programPath + " está em execução.") + "\r\n" +
           utf8ToWindows1252("Computador " + platform::computerName() + ", processo " +
                             std::to_string(platform::processNumber()) + ", marca " + std::to_string(stamp.count())) +
           "\r\n";
}

// Writes the lock's bytes into a new file (CreateNew) or over the existing one; 0 or the errno value. A new file
// that could not be written whole is removed: a lock cut short by a full disk would block the next start for
// nothing.
int writeLockFile(const fs::path& file, platform::OpenMode mode, const std::string& bytes) {
    FileDescriptor descriptor(platform::openFile(file, mode));
    if (!descriptor.valid()) {
        return errno;
    }
    int error = descriptor.writeAll(bytes);
    if (const int closing = descriptor.close(); error == 0) {
        error = closing;
    }
    if (error != 0 && mode == platform::OpenMode::CreateNew) {
        platform::removeFile(file);
    }
    return error;
}

}  // namespace

std::string lockFileName(const std::string& programPath) {
    const auto lastSeparator = programPath.rfind(fs::path::preferred_separator);
    const std::string fileName =
        trimmed(lastSeparator == std::string::npos ? programPath : programPath.substr(lastSeparator + 1));
    const auto lastDot = fileName.rfind('.');
    return (lastDot == std::string::npos ? fileName : fileName.substr(0, lastDot)) + ".lock";
}

bool lockFileExists(const std::string& programPath, const std::string& folder) {
    return fs::exists(utf8Path(folder + lockFileName(programPath)));
}

InstanceLock::InstanceLock(fs::path file, const std::string& programPath)
    : file_(std::move(file)), bytes_(lockBytes(programPath)) {}

bool InstanceLock::create() {
    const std::lock_guard guard(mutex_);
    const int error = writeLockFile(file_, platform::OpenMode::CreateNew, bytes_);
    if (error == EEXIST) {
        return false;
    }
    if (error != 0) {
        throw std::runtime_error(fileErrorMessage("gravar", file_, error));
    }
    return true;
}

// The lock's bytes, or why they do not prove anything.
std::optional<InstanceLock::Check> InstanceLock::readOwnBytes(std::string& bytes) const {
    try {
        bytes = readFileBytes(file_, kLongestLock);
        return std::nullopt;
    } catch (const std::runtime_error& error) {
        return Check{Standing::Unproven, error.what()};
    }
}

InstanceLock::Check InstanceLock::refresh() {
    const std::lock_guard guard(mutex_);
    std::error_code missing;
    if (!fs::exists(file_, missing) && !missing) {
        const int error = writeLockFile(file_, platform::OpenMode::CreateNew, bytes_);
        if (error == 0) {
            return {};
        }
        if (error != EEXIST) {
            return {Standing::Unproven, fileErrorMessage("gravar", file_, error)};
        }
        // Another start wrote one in between: it is looked at below.
    }
    std::string found;
    if (auto unreadable = readOwnBytes(found)) {
        return *unreadable;
    }
    if (found != bytes_) {
        return {Standing::TakenByAnother, "O arquivo de trava " + utf8Text(file_) + " foi gravado por outro monitor."};
    }
    // Writing the same bytes again gives the lock the folder's time of now.
    if (const int error = writeLockFile(file_, platform::OpenMode::WriteExisting, bytes_); error != 0) {
        return {Standing::Unproven, fileErrorMessage("gravar", file_, error)};
    }
    return {};
}

std::optional<std::string> InstanceLock::release() {
    const std::lock_guard guard(mutex_);
    std::string found;
    if (const auto unreadable = readOwnBytes(found)) {
        std::error_code ignored;
        return fs::exists(file_, ignored) ? std::optional(unreadable->problem) : std::nullopt;
    }
    if (found != bytes_) {
        return std::nullopt;  // another monitor's: not this run's to remove
    }
    std::error_code error;
    if (!fs::remove(file_, error) && error) {
        return fileErrorMessage("excluir", file_, platform::errnoOf(error));
    }
    return std::nullopt;
}

}  // namespace velmora
