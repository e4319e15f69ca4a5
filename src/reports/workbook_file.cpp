#include "reports/workbook_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <random>
#include <stdexcept>

#include "common/file_descriptor.h"
#include "common/file_error.h"

namespace velmora {

namespace {

std::string randomSuffix() {
    std::random_device random;
    const std::uint64_t value = (std::uint64_t{random()} << 32) | random();
    char text[16];
    const auto end = std::to_chars(text, text + sizeof text, value, 16).ptr;
    return std::string(text, end);
}

// Returns 0 or the errno value.
int syncFile(const std::filesystem::path& path) {
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.valid()) {
        return errno;
    }
    return ::fsync(file.get()) == 0 ? 0 : errno;
}

void syncFolder(const std::filesystem::path& folder) {
    const FileDescriptor descriptor(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (descriptor.valid()) {
        ::fsync(descriptor.get());
    }
}

}  // namespace

std::string workbookWriteError(const std::filesystem::path& workbook, const std::string& reason) {
    return "Não foi possível gravar a planilha " + workbook.string() + ": " + reason;
}

int replaceBlocker(const std::filesystem::path& target) {
    struct stat status {};
    if (::stat(target.c_str(), &status) != 0) {
        return errno == ENOENT ? 0 : errno;
    }
    if (S_ISDIR(status.st_mode)) {
        return EISDIR;
    }
    const FileDescriptor file(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK));
    return file.valid() ? 0 : errno;
}

TemporaryWorkbookFile::TemporaryWorkbookFile(const std::filesystem::path& target) : target_(target) {
    const auto folder = target.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        // Short, so that any target name that fits the folder leaves room for it.
        auto candidate = folder / (".planilha." + randomSuffix() + ".tmp");
        if (const FileDescriptor file(::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            file.valid()) {
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
        ::unlink(path_.c_str());
    }
}

void TemporaryWorkbookFile::replaceTarget() {
    if (const int error = syncFile(path_)) {
        throw std::runtime_error(workbookWriteError(target_, fileErrorReason(error)));
    }
    if (::rename(path_.c_str(), target_.c_str()) != 0) {
        throw std::runtime_error(workbookWriteError(target_, fileErrorReason(errno)));
    }
    path_.clear();
    syncFolder(target_.parent_path());
}

}  // namespace velmora
