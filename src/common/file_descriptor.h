#pragma once

#include <unistd.h>

#include <cerrno>
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

    // A late write error (network folders) may only show when closing; returns 0 or the errno value.
    int close() {
        const int descriptor = std::exchange(descriptor_, -1);
        return ::close(descriptor) == 0 ? 0 : errno;
    }

private:
    int descriptor_;
};

}  // namespace velmora
