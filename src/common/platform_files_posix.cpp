#include "common/platform_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace velmora::platform {

int openFile(const std::filesystem::path& path, OpenMode mode) {
    switch (mode) {
    case OpenMode::Read:
    case OpenMode::ReadExclusive:
        return ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    case OpenMode::WriteExisting:
        return ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    case OpenMode::CreateNew:
        return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    case OpenMode::CreateOrTruncate:
        return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    case OpenMode::Append:
        return ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    }
    errno = EINVAL;
    return -1;
}

std::FILE* openStreamForReading(const std::filesystem::path& path) { return std::fopen(path.c_str(), "rbe"); }

std::string pathForCLibrary(const std::filesystem::path& path) { return path.string(); }

std::string temporaryFolderForCLibrary(const std::filesystem::path& besideFolder) {
    return besideFolder.empty() ? std::string(".") : besideFolder.string();
}

long long readSome(int descriptor, void* buffer, std::size_t size) {
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, size);
        if (count >= 0 || errno != EINTR) {
            return count;
        }
    }
}

long long writeSome(int descriptor, const void* buffer, std::size_t size) {
    for (;;) {
        const ssize_t count = ::write(descriptor, buffer, size);
        if (count >= 0 || errno != EINTR) {
            return count;
        }
    }
}

std::optional<FileIdentity> fileIdentity(int descriptor) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

long long readAt(int descriptor, long long offset, void* buffer, std::size_t size) {
    for (;;) {
        const ssize_t count = ::pread(descriptor, buffer, size, static_cast<off_t>(offset));
        if (count >= 0 || errno != EINTR) {
            return count;
        }
    }
}

int truncateFile(int descriptor, long long size) {
    return ::ftruncate(descriptor, static_cast<off_t>(size)) == 0 ? 0 : errno;
}

long long fileSize(int descriptor) {
    struct stat status {};
    return ::fstat(descriptor, &status) == 0 ? static_cast<long long>(status.st_size) : -1;
}

int closeDescriptor(int descriptor) { return ::close(descriptor) == 0 ? 0 : errno; }

int flushToDisk(int descriptor) { return ::fsync(descriptor) == 0 ? 0 : errno; }

int replaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

void removeFile(const std::filesystem::path& path) noexcept { ::unlink(path.c_str()); }

void flushFolder(const std::filesystem::path& folder) noexcept {
    const int descriptor = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

void clearFileError() { errno = 0; }

int lastFileError() { return errno; }

int errnoOf(const std::error_code& error) { return error.value(); }

std::string computerName() {
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string("?");
}

long processNumber() { return static_cast<long>(::getpid()); }

std::filesystem::path runningProgramFile() { return std::filesystem::read_symlink("/proc/self/exe"); }

}  // namespace velmora::platform
