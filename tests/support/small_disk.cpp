#include "support/small_disk.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora::test {

namespace fs = std::filesystem;

SmallDisk::SmallDisk(fs::path folder, std::uint64_t bytes) : folder_(std::move(folder)), filler_(folder_ / ".filler") {
    fs::create_directories(folder_);
    options_ = "size=" + std::to_string(bytes) + ",mode=0777";
    if (::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options_.c_str()) != 0) {
        skipReason_ = "a small disk cannot be mounted here (" + std::string(std::strerror(errno)) +
                      "); it needs root";
        return;
    }
    mounted_ = true;
}

SmallDisk::~SmallDisk() {
    if (mounted_) {
        ::umount2(folder_.c_str(), MNT_DETACH);
    }
}

std::uint64_t SmallDisk::available() const { return fs::space(folder_).available; }

void SmallDisk::fillLeaving(std::uint64_t bytes) {
    removeFiller();
    const std::uint64_t free = available();
    if (free <= bytes) {
        return;
    }
    const int file = ::open(filler_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0) {
        throw std::runtime_error("cannot create " + filler_.string());
    }
    std::vector<char> block(1 << 16, 'x');
    std::uint64_t left = free - bytes;
    while (left > 0) {
        const auto size = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
        const ssize_t written = ::write(file, block.data(), size);
        if (written <= 0) {
            break;
        }
        left -= static_cast<std::uint64_t>(written);
    }
    ::close(file);
}

void SmallDisk::setReadOnly(bool readOnly) {
    // A file still open for writing makes the system refuse; the writers here open files only for a moment.
    for (int attempt = 0;; ++attempt) {
        if (::mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT | (readOnly ? MS_RDONLY : 0), options_.c_str()) == 0) {
            return;
        }
        if (errno != EBUSY || attempt == 200) {
            throw std::runtime_error("cannot remount " + folder_.string() + ": " + std::strerror(errno));
        }
        ::usleep(10000);
    }
}

void SmallDisk::removeFiller() {
    std::error_code ignored;
    fs::remove(filler_, ignored);
}

int SmallDisk::openDescriptors() const {
    struct stat disk {};
    if (::stat(folder_.c_str(), &disk) != 0) {
        return -1;
    }
    int count = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
        struct stat target {};
        if (::stat(entry.path().c_str(), &target) == 0 && target.st_dev == disk.st_dev) {
            ++count;
        }
    }
    return count;
}

}  // namespace velmora::test
