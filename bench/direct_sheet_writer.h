#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/result_set.h"

namespace velmora::bench {

// The least a program must do to put a fetched sales result into a workbook: a plain libxlsxwriter loop in
// constant-memory mode with the number formats the sales writer gives each column, a bold header and a bold
// totals row with cached sums. No AutoFit, no row buffering, no replacement of an older file.
// Returns the seconds spent closing the workbook: the file is compressed only once every row is in.
double writeDirectSheet(const ResultSet& rows, const std::vector<std::string>& legends,
                        const std::string& quantityMask, const std::string& valueMask, const std::filesystem::path& file);

}  // namespace velmora::bench
