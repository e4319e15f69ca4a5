#pragma once

#include <string>
#include <string_view>

namespace velmora {

// The file name of a report's workbook: the report's name + ".xlsx". Throws ReportDefinitionError when the name
// cannot be a file name on Linux or on Windows (the workbook may be published into a Windows folder), or would
// reach outside its folder.
std::string workbookFileName(std::string_view reportName);

}  // namespace velmora
