#include "common/database_path.h"

namespace velmora::platform {

// The client converts from the locale's character set, which the loader makes UTF-8, the file system's own.
std::optional<std::string> ansiCodePageText(std::string_view utf8) { return std::string(utf8); }

}  // namespace velmora::platform
