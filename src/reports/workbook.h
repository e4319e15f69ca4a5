#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

#include "common/date_time.h"
#include "common/result_set.h"

namespace velmora {

// The spreadsheet operations the report writers use, on the first sheet of one new workbook, producing an
// .xlsx file. Rows and columns count from 1.
//
// Rows are written in order: a cell keeps its value, number format and bold state until a later row is
// touched, and a row once left cannot be changed (std::logic_error). This keeps memory flat for any number
// of rows.
//
// The file: saveAs() checks that the target can be written and makes sure a workbook exists there at once
// (an empty one when there was none); save() writes the whole workbook beside it and renames it over the
// target, so the target never holds a half-written file. close() without save() leaves the target as it was.
class Workbook {
public:
    Workbook();
    ~Workbook();
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    void saveAs(const std::filesystem::path& file);
    const std::filesystem::path& path() const;

    // A text that begins with an apostrophe is stored without it, as text that stays text when edited.
    void setText(int row, int column, std::string_view text);
    void setNumber(int row, int column, double value);
    // Fixed point, four decimals; a cell without a number format gets the Brazilian currency format.
    void setCurrency(int row, int column, ScaledInteger value);
    // Written whole (the sheet holds it as a number with 15 significant digits).
    void setInteger(int row, int column, std::int64_t value);
    // A cell without a number format gets the short date, or date and time when the value has a time.
    void setDateTime(int row, int column, DateTime value);
    // In Brazilian notation ("###.##0,00"); empty or "General" is the general format.
    void setNumberFormat(int row, int column, std::string_view brazilianFormat);
    void setBold(int row, int column, bool bold);
    // "=SUM(R[-10]C:R[-1]C)"; a sum is stored with its value, for readers that do not calculate.
    void setFormulaR1C1(int row, int column, std::string_view formula);

    // For a sheet of any number of rows: a SUM's stored value then comes from running totals per column, so memory
    // does not grow with the rows; a sum over part of a column's numbers is refused (std::logic_error). Chosen
    // before the first cell.
    void keepColumnTotalsOnly();

    // Fits every column to the widest value it shows now (header and values as their formats show them).
    void autoFitColumns();

    void save();
    // Releases the workbook; unsaved changes are dropped.
    void close();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace velmora
