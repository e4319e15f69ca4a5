#pragma once

#include <filesystem>

#include "common/date_time.h"

namespace velmora {

// Last-write time of a file in the workstation's local time; throws std::filesystem_error when it has none.
DateTime fileModificationTime(const std::filesystem::path& path);

}  // namespace velmora
