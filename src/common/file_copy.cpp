#include "common/file_copy.h"

#include <cerrno>
#include <stdexcept>
#include <string_view>

#include "common/file_descriptor.h"
#include "common/file_error.h"
#include "common/file_replacement.h"
#include "common/platform_files.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void failReading(const fs::path& file, int errnoValue) {
    throw std::runtime_error(fileErrorMessage("ler", file, errnoValue));
}

}  // namespace

void copyFileReplacing(const fs::path& source, const fs::path& target) {
    const FileDescriptor input(platform::openFile(source, platform::OpenMode::Read));
    if (!input.valid()) {
        failReading(source, errno);
    }
    FileReplacement copy(target);
    char buffer[65536];
    for (;;) {
        const long long count = platform::readSome(input.get(), buffer, sizeof buffer);
        if (count == 0) {
            break;
        }
        if (count < 0) {
            failReading(source, errno);
        }
        copy.write(std::string_view(buffer, static_cast<std::size_t>(count)));
    }
    copy.commit();
}

}  // namespace velmora
