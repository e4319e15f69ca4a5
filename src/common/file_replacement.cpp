#include "common/file_replacement.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>

#include "common/file_error.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

std::string randomSuffix(std::random_device& random) {
    const std::uint64_t value = (std::uint64_t{random()} << 32) | random();
    char text[16];
    const auto end = std::to_chars(text, text + sizeof text, value, 16).ptr;
    return std::string(text, end);
}

}  // namespace

FileReplacement::FileReplacement(fs::path target) : target_(std::move(target)) {
    std::random_device random;
    for (int attempt = 0; attempt < 100 && !descriptor_.valid(); ++attempt) {
        temporary_ = target_.parent_path() / ("." + target_.filename().string() + "." + randomSuffix(random) + ".tmp");
        const int descriptor = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0 && errno != EEXIST) {
            const int error = errno;
            temporary_.clear();
            fail(error);
        }
        descriptor_ = FileDescriptor(descriptor);
    }
    if (!descriptor_.valid()) {
        temporary_.clear();
        fail(EEXIST);
    }
}

FileReplacement::~FileReplacement() {
    if (descriptor_.valid()) {
        descriptor_.close();
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

void FileReplacement::fail(int errnoValue) const {
    throw std::runtime_error(fileErrorMessage("gravar", target_, errnoValue));
}

void FileReplacement::write(std::string_view bytes) {
    if (const int error = descriptor_.writeAll(bytes)) {
        fail(error);
    }
}

void FileReplacement::commit() {
    if (::fsync(descriptor_.get()) != 0) {
        fail(errno);
    }
    if (const int error = descriptor_.close()) {
        fail(error);
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        fail(errno);
    }
    temporary_.clear();
    // Makes the rename itself durable; a folder that cannot be synced still holds the new file.
    const fs::path folder = target_.parent_path();
    const FileDescriptor folderDescriptor(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderDescriptor.valid()) {
        ::fsync(folderDescriptor.get());
    }
}

}  // namespace velmora
