#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "reports/erp_masks.h"

namespace velmora {

class InteractiveSession;
class ResultSet;
class Workbook;

// Rows of one worksheet, the header and the totals row included.
inline constexpr std::size_t kWorksheetRows = 1048576;

// Throws a ReportDefinitionError naming the report and the limit when the header, `dataRows` and the totals row (when
// on) would not fit into one worksheet.
void checkSalesSheetFits(const std::string& reportName, std::size_t dataRows, bool totalsOn);

// The sales sheet from the rows of the assembled statement: the bold header of the column legends, one row per
// result row typed by the cell rule, and a bold totals row when `totalsOn`. Advances a watched run's progress
// once per row.
void writeSalesSheet(Workbook& workbook, const std::vector<std::string>& legends, const ResultSet& rows,
                     const ErpMasks& masks, bool totalsOn, InteractiveSession* interactive);

}  // namespace velmora
