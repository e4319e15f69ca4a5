#include "common/file_replacement.h"

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>

#include "common/file_error.h"
#include "common/platform_files.h"
#include "common/utf8_path.h"

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
        temporary_ = target_.parent_path() / utf8Path("." + utf8Text(target_.filename()) + "." + randomSuffix(random) + ".tmp");
        const int descriptor = platform::openFile(temporary_, platform::OpenMode::CreateNew);
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
        platform::removeFile(temporary_);
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
    if (const int error = platform::flushToDisk(descriptor_.get())) {
        fail(error);
    }
    if (const int error = descriptor_.close()) {
        fail(error);
    }
    if (const int error = platform::replaceFile(temporary_, target_)) {
        fail(error);
    }
    temporary_.clear();
    // Makes the rename itself durable; a folder that cannot be synced still holds the new file.
    platform::flushFolder(target_.parent_path());
}

}  // namespace velmora
