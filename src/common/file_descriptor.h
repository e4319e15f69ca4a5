#pragma once

#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <utility>

namespace velmora {

// An open POSIX file descriptor, closed when the object goes.
class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor = -1) : descriptor_(descriptor) {}
    ~FileDescriptor() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            if (descriptor_ >= 0) {
                ::close(descriptor_);
            }
            descriptor_ = std::exchange(other.descriptor_, -1);
        }
        return *this;
    }

    int get() const { return descriptor_; }
    bool valid() const { return descriptor_ >= 0; }

    // Returns 0 or the errno value of the failed write.
    int writeAll(std::string_view bytes) const {
        while (!bytes.empty()) {
            const ssize_t count = ::write(descriptor_, bytes.data(), bytes.size());
            if (count >= 0) {
                bytes.remove_prefix(static_cast<std::size_t>(count));
            } else if (errno != EINTR) {
                return errno;
            }
        }
        return 0;
    }

    // A late write error (network folders) may only show when closing; returns 0 or the errno value.
    int close() {
        const int descriptor = std::exchange(descriptor_, -1);
        return ::close(descriptor) == 0 ? 0 : errno;
    }

private:
    int descriptor_;
};

}  // namespace velmora
