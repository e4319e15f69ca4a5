#include "common/text_file.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <stdexcept>

#include "common/file_descriptor.h"
#include "common/file_error.h"
#include "common/file_replacement.h"
#include "common/platform_files.h"
#include "common/text_encoding.h"

namespace velmora {

namespace {

// Returns 0 or the errno value.
int readAll(int descriptor, std::string& bytes, std::size_t maximumBytes) {
    char buffer[65536];
    while (bytes.size() < maximumBytes) {
        const long long count =
            platform::readSome(descriptor, buffer, std::min(sizeof buffer, maximumBytes - bytes.size()));
        if (count > 0) {
            bytes.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0) {
            return 0;
        } else {
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

}  // namespace

std::string readFileBytes(const std::filesystem::path& path, std::size_t maximumBytes) {
    FileDescriptor descriptor(platform::openFile(path, platform::OpenMode::Read));
    if (!descriptor.valid()) {
        throw std::runtime_error(fileErrorMessage("ler", path, errno));
    }
    std::string bytes;
    if (const int error = readAll(descriptor.get(), bytes, maximumBytes)) {
        throw std::runtime_error(fileErrorMessage("ler", path, error));
    }
    return bytes;
}

std::string readTextFile(const std::filesystem::path& path) { return decodeText(readFileBytes(path)); }

std::string readTextFilePreferringUtf8(const std::filesystem::path& path) {
    return decodeTextPreferringUtf8(readFileBytes(path));
}

std::string readFirstLine(const std::filesystem::path& path) {
    return readFirstLine(path, std::numeric_limits<std::size_t>::max());
}


std::string readFirstLine(const std::filesystem::path& path, std::size_t maximumBytes) {
    const auto lines = splitLines(decodeText(readFileBytes(path, maximumBytes)));
    return lines.empty() ? std::string() : lines.front();
}

void writeTextFile(const std::filesystem::path& path, const std::vector<std::string>& linesUtf8) {
    const std::string bytes = encodeLines(linesUtf8);
    FileDescriptor descriptor(platform::openFile(path, platform::OpenMode::CreateOrTruncate));
    if (!descriptor.valid()) {
        throwWriteError(path, errno);
    }
    if (const int error = descriptor.writeAll(bytes)) {
        throwWriteError(path, error);
    }
    if (const int error = descriptor.close()) {
        throwWriteError(path, error);
    }
}

void writeTextFileAtomically(const std::filesystem::path& path, const std::vector<std::string>& linesUtf8) {
    FileReplacement replacement(path);
    replacement.write(encodeLines(linesUtf8));
    replacement.commit();
}

}  // namespace velmora
