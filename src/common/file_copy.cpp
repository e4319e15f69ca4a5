#include "common/file_copy.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>

#include "common/file_descriptor.h"
#include "common/file_error.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {


[[noreturn]] void fail(const char* action, const fs::path& file, int errnoValue) {
    throw std::runtime_error(fileErrorMessage(action, file, errnoValue));
}

// The new copy under a name of its own beside the target; removed unless it was renamed over the target.
class PendingCopy {
public:
    explicit PendingCopy(const fs::path& target) {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && !file_.valid(); ++attempt) {
            path_ = target.parent_path() /
                    ("." + target.filename().string() + "." + std::to_string(random()) + std::to_string(random()) +
                     ".tmp");
            const int value = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (value < 0 && errno != EEXIST) {
                const int error = errno;
                path_.clear();
                fail("gravar", target, error);
            }
            file_ = FileDescriptor(value);
        }
        if (!file_.valid()) {
            path_.clear();
            fail("gravar", target, EEXIST);
        }
    }
    ~PendingCopy() {
        if (file_.valid()) {
            file_.close();
        }
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }
    PendingCopy(const PendingCopy&) = delete;
    PendingCopy& operator=(const PendingCopy&) = delete;

    FileDescriptor& file() { return file_; }

    // Returns 0 or the errno value.
    int renameTo(const fs::path& target) {
        if (::rename(path_.c_str(), target.c_str()) != 0) {
            return errno;
        }
        path_.clear();
        return 0;
    }

private:
    fs::path path_;
    FileDescriptor file_;
};

// Returns 0 or the errno value of the failed write.
int writeAll(int descriptor, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t count = ::write(descriptor, bytes, size);
        if (count >= 0) {
            bytes += count;
            size -= static_cast<std::size_t>(count);
        } else if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

}  // namespace

void copyFileReplacing(const fs::path& source, const fs::path& target) {
    FileDescriptor input(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!input.valid()) {
        fail("ler", source, errno);
    }
    PendingCopy copy(target);
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(input.get(), buffer, sizeof buffer);
        if (count == 0) {
            break;
        }
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("ler", source, errno);
        }
        if (const int error = writeAll(copy.file().get(), buffer, static_cast<std::size_t>(count))) {
            fail("gravar", target, error);
        }
    }
    if (::fsync(copy.file().get()) != 0) {
        fail("gravar", target, errno);
    }
    if (const int error = copy.file().close()) {
        fail("gravar", target, error);
    }
    if (const int error = copy.renameTo(target)) {
        fail("gravar", target, error);
    }
    // Makes the rename itself durable; a folder that cannot be synced still holds the new file.
    const fs::path folder = target.parent_path();
    FileDescriptor folderDescriptor(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderDescriptor.valid()) {
        ::fsync(folderDescriptor.get());
    }
}

}  // namespace velmora
