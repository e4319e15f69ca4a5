#pragma once

#include <string>
#include <vector>

#include "reports/erp_masks.h"

namespace velmora {

class InteractiveSession;
class ResultSet;
class Workbook;

// The sales sheet from the rows of the assembled statement: the bold header of the column legends, one row per
// result row typed by the cell rule, and a bold totals row when `totalsOn`. Advances a watched run's progress
// once per row.
void writeSalesSheet(Workbook& workbook, const std::vector<std::string>& legends, const ResultSet& rows,
                     const ErpMasks& masks, bool totalsOn, InteractiveSession* interactive);

}  // namespace velmora
