#include "support/database_location.h"

namespace velmora::test {

std::string databaseConnectionText(const std::filesystem::path& file) { return file.string(); }

}  // namespace velmora::test
