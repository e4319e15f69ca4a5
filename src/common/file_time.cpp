#include "common/file_time.h"

namespace velmora {

DateTime fileModificationTime(const std::filesystem::path& path) {
    using namespace std::chrono;
    return localDateTime(file_clock::to_sys(std::filesystem::last_write_time(path)));
}

}  // namespace velmora
