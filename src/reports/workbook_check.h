#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace velmora {

// libxlsxwriter writes the parts of a workbook through temporary files whose write errors it does not report:
// on a full disk it closes a valid zip around a cut worksheet. So a written workbook is read back before it
// replaces the old one: every part must inflate to its stored size and checksum, every XML part must end its
// root element, and the worksheet must hold `sheetRows` rows.
//
// Returns why the file is not whole, or nothing when it is.
std::optional<std::string> writtenWorkbookFault(const std::filesystem::path& file, std::uint64_t sheetRows);

}  // namespace velmora
