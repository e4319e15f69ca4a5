#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "reports/erp_masks.h"
#include "reports/sales_cell_rule.h"

namespace velmora {

class InteractiveSession;
class ResultSet;
class Workbook;

// Rows of one worksheet, the header and the totals row included.
inline constexpr std::size_t kWorksheetRows = 1048576;

// Throws a ReportDefinitionError naming the report and the limit when the header, `dataRows` and the totals row (when
// on) would not fit into one worksheet.
void checkSalesSheetFits(const std::string& reportName, std::size_t dataRows, bool totalsOn);

// Writes the sales sheet as its rows arrive: the bold header of the column legends at once, each batch of rows of
// the assembled statement typed by the cell rule, then the bold totals row when `totalsOn`. Only what the totals and
// the column widths need is kept, so a sheet of any size takes the same memory. Advances a watched run's progress
// once per row.
class SalesSheetWriter {
public:
    SalesSheetWriter(Workbook& workbook, std::string reportName, const std::vector<std::string>& legends,
                     ErpMasks masks, bool totalsOn, InteractiveSession* interactive);

    // Throws (checkSalesSheetFits) before writing a batch that would take the sheet past a worksheet's rows.
    void addRows(const ResultSet& rows);
    void finish();

private:
    Workbook& workbook_;
    std::string reportName_;
    ErpMasks masks_;
    bool totalsOn_;
    InteractiveSession* interactive_;
    bool rulesKnown_ = false;
    std::vector<SalesCellRule> rules_;
    std::size_t rowsWritten_ = 0;
};

// The sales sheet from the rows of the assembled statement: the bold header of the column legends, one row per
// result row typed by the cell rule, and a bold totals row when `totalsOn`. Advances a watched run's progress
// once per row.
void writeSalesSheet(Workbook& workbook, const std::vector<std::string>& legends, const ResultSet& rows,
                     const ErpMasks& masks, bool totalsOn, InteractiveSession* interactive);

}  // namespace velmora
