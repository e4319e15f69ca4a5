#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

class Connection;
class InteractiveSession;

// Where a report's workbook lives: program folder + "/Excel/" + name + ".xlsx". One file per report name.
std::filesystem::path workbookFolder(const std::filesystem::path& programFolder);
std::filesystem::path workbookPath(const std::filesystem::path& programFolder, std::string_view reportName);

// Swaps "," and "." so that a mask stored in the ERP's notation reads in Brazilian notation.
std::string swapSeparators(std::string_view mask);

// Runs the assembled sales statement and writes its result into the report's workbook: bold header, one row per
// result row typed by the cell rule, and a bold totals row unless the report switches it off. `interactive` is
// null for unattended runs.
void writeSalesReportWorkbook(int reportId, const std::string& workbookName, const std::string& statement,
                              Connection& connection, const std::filesystem::path& programFolder,
                              InteractiveSession* interactive);

}  // namespace velmora
