#include "reports/sales_sheet.h"

#include <cstdint>
#include <utility>

#include "common/ptbr_format.h"
#include "common/result_set.h"
#include "reports/interactive_session.h"
#include "reports/report_errors.h"
#include "reports/sales_cell_rule.h"
#include "reports/workbook.h"

namespace velmora {

namespace {

// "TOTAL:" in column 1, then the sum of the data rows in every summable column, all bold. Without data rows
// the sums are 0: a formula over no rows would refer to its own cell.
void writeTotals(Workbook& workbook, int row, std::size_t dataRows, const std::vector<SalesCellRule>& rules) {
    workbook.setText(row, 1, "TOTAL:");
    workbook.setBold(row, 1, true);
    const std::string formula = "=SUM(R[-" + std::to_string(dataRows) + "]C:R[-1]C)";
    for (std::size_t i = 0; i < rules.size(); ++i) {
        if (!rules[i].summable) {
            continue;
        }
        const int column = static_cast<int>(i) + 1;
        if (dataRows > 0) {
            workbook.setFormulaR1C1(row, column, formula);
        } else {
            workbook.setNumber(row, column, 0.0);
        }
        workbook.setBold(row, column, true);
    }
}

}  // namespace

void checkSalesSheetFits(const std::string& reportName, std::size_t dataRows, bool totalsOn) {
    const auto counted = [](std::size_t rows) { return formatFixed(static_cast<std::int64_t>(rows), 0, 0, true); };
    if (1 + dataRows + (totalsOn ? 1 : 0) > kWorksheetRows) {
        throw ReportDefinitionError("O relatório " + reportName + " tem " + counted(dataRows) +
                                    " linhas, mais do que cabe numa planilha (" + counted(kWorksheetRows) +
                                    " linhas, com o cabeçalho e a linha de totais); a planilha não foi gerada.");
    }
}

SalesSheetWriter::SalesSheetWriter(Workbook& workbook, std::string reportName, const std::vector<std::string>& legends,
                                   ErpMasks masks, bool totalsOn, InteractiveSession* interactive)
    : workbook_(workbook),
      reportName_(std::move(reportName)),
      masks_(std::move(masks)),
      totalsOn_(totalsOn),
      interactive_(interactive) {
    workbook_.keepColumnTotalsOnly();  // the totals row sums whole columns; nothing else needs the numbers kept
    for (std::size_t i = 0; i < legends.size(); ++i) {
        const int column = static_cast<int>(i) + 1;
        workbook_.setText(1, column, legends[i]);
        workbook_.setBold(1, column, true);
    }
}

void SalesSheetWriter::addRows(const ResultSet& rows) {
    if (!rulesKnown_) {
        rulesKnown_ = true;
        rules_.reserve(rows.columnCount());
        for (const ColumnInfo& column : rows.columns()) {
            rules_.push_back(salesCellRule(column, masks_.quantity, masks_.value));
        }
    }
    // Before any row of a batch that would not fit: the sheet is given up whole, never cut short.
    checkSalesSheetFits(reportName_, rowsWritten_ + rows.rowCount(), totalsOn_);
    for (std::size_t r = 0; r < rows.rowCount(); ++r) {
        const int row = static_cast<int>(rowsWritten_) + 2;
        for (std::size_t c = 0; c < rules_.size(); ++c) {
            writeSalesCell(workbook_, row, static_cast<int>(c) + 1, rows.field(r, c), rules_[c]);
        }
        ++rowsWritten_;
        if (interactive_ != nullptr) {
            interactive_->progressWindow().advanceProgress();
        }
    }
}

void SalesSheetWriter::finish() {
    if (totalsOn_) {
        writeTotals(workbook_, static_cast<int>(rowsWritten_) + 2, rowsWritten_, rules_);
    }
}

void writeSalesSheet(Workbook& workbook, const std::vector<std::string>& legends, const ResultSet& rows,
                     const ErpMasks& masks, bool totalsOn, InteractiveSession* interactive) {
    SalesSheetWriter sheet(workbook, {}, legends, masks, totalsOn, interactive);
    sheet.addRows(rows);
    sheet.finish();
}

}  // namespace velmora
