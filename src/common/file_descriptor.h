#pragma once

#include <cerrno>
#include <string_view>
#include <utility>

#include "common/platform_files.h"

namespace velmora {

// An open C runtime file descriptor, closed when the object goes.
class FileDescriptor {
public:
    explicit FileDescriptor(int descriptor = -1) : descriptor_(descriptor) {}
    ~FileDescriptor() {
        if (descriptor_ >= 0) {
            platform::closeDescriptor(descriptor_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            if (descriptor_ >= 0) {
                platform::closeDescriptor(descriptor_);
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
            const long long count = platform::writeSome(descriptor_, bytes.data(), bytes.size());
            if (count < 0) {
                return errno;
            }
            bytes.remove_prefix(static_cast<std::size_t>(count));
        }
        return 0;
    }

    // A late write error (network folders) may only show when closing; returns 0 or the errno value.
    int close() {
        const int descriptor = std::exchange(descriptor_, -1);
        return platform::closeDescriptor(descriptor);
    }

private:
    int descriptor_;
};

}  // namespace velmora
