#include "common/text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <utility>

#include "common/file_descriptor.h"
#include "common/file_error.h"
#include "common/text_encoding.h"

namespace velmora {

namespace {


// Returns 0 or the errno value.
int readAll(int descriptor, std::string& bytes) {
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(descriptor, buffer, sizeof buffer);
        if (count > 0) {
            bytes.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0) {
            return 0;
        } else if (errno != EINTR) {
            return errno;
        }
    }
}

// Returns 0 or the errno value.
int writeAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t count = ::write(descriptor, bytes.data(), bytes.size());
        if (count >= 0) {
            bytes.remove_prefix(static_cast<std::size_t>(count));
        } else if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

std::string encodeLines(const std::vector<std::string>& linesUtf8) {
    std::string bytes;
    for (const auto& line : linesUtf8) {
        bytes += utf8ToWindows1252(line);
        bytes += "\r\n";
    }
    return bytes;
}

[[noreturn]] void throwWriteError(const std::filesystem::path& path, int errnoValue) {
    throw std::runtime_error(fileErrorMessage("gravar", path, errnoValue));
}

// The temporary file of an atomic write; removed unless it was renamed over its target.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::filesystem::path& target) : descriptor_(-1) {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && !descriptor_.valid(); ++attempt) {
            path_ = target.parent_path() / ("." + target.filename().string() + "." + randomSuffix(random) + ".tmp");
            const int descriptor = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            const int error = errno;
            if (descriptor < 0 && error != EEXIST) {
                throwWriteError(target, error);
            }
            descriptor_ = FileDescriptor(descriptor);
        }
        if (!descriptor_.valid()) {
            throwWriteError(target, EEXIST);
        }
    }
    ~TemporaryFile() {
        if (descriptor_.valid()) {
            descriptor_.close();
        }
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    FileDescriptor& descriptor() { return descriptor_; }

    // Returns 0 or the errno value.
    int renameTo(const std::filesystem::path& target) {
        if (::rename(path_.c_str(), target.c_str()) != 0) {
            return errno;
        }
        path_.clear();
        return 0;
    }

private:
    static std::string randomSuffix(std::random_device& random) {
        const std::uint64_t value = (std::uint64_t{random()} << 32) | random();
        char text[16];
        const auto end = std::to_chars(text, text + sizeof text, value, 16).ptr;
        return std::string(text, end);
    }

    std::filesystem::path path_;
    FileDescriptor descriptor_;
};

// Makes the rename itself durable; a folder that cannot be synced still holds the new file.
void syncFolderOf(const std::filesystem::path& path) {
    const auto folder = path.parent_path();
    FileDescriptor descriptor(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (descriptor.valid()) {
        ::fsync(descriptor.get());
    }
}

}  // namespace

std::string readTextFile(const std::filesystem::path& path) {
    FileDescriptor descriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!descriptor.valid()) {
        throw std::runtime_error(fileErrorMessage("ler", path, errno));
    }
    std::string bytes;
    if (const int error = readAll(descriptor.get(), bytes)) {
        throw std::runtime_error(fileErrorMessage("ler", path, error));
    }
    return decodeText(bytes);
}

std::string readFirstLine(const std::filesystem::path& path) {
    const auto lines = splitLines(readTextFile(path));
    return lines.empty() ? std::string() : lines.front();
}

void writeTextFile(const std::filesystem::path& path, const std::vector<std::string>& linesUtf8) {
    const std::string bytes = encodeLines(linesUtf8);
    FileDescriptor descriptor(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!descriptor.valid()) {
        throwWriteError(path, errno);
    }
    if (const int error = writeAll(descriptor.get(), bytes)) {
        throwWriteError(path, error);
    }
    if (const int error = descriptor.close()) {
        throwWriteError(path, error);
    }
}

void writeTextFileAtomically(const std::filesystem::path& path, const std::vector<std::string>& linesUtf8) {
    const std::string bytes = encodeLines(linesUtf8);
    TemporaryFile temporary(path);
    FileDescriptor& descriptor = temporary.descriptor();
    if (const int error = writeAll(descriptor.get(), bytes)) {
        throwWriteError(path, error);
    }
    if (::fsync(descriptor.get()) != 0) {
        throwWriteError(path, errno);
    }
    if (const int error = descriptor.close()) {
        throwWriteError(path, error);
    }
    if (const int error = temporary.renameTo(path)) {
        throwWriteError(path, error);
    }
    syncFolderOf(path);
}

}  // namespace velmora
