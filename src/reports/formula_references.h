#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Rows and columns count from 1, as the spreadsheet shows them.
constexpr int kMaxRows = 1048576;
constexpr int kMaxColumns = 16384;

// "A", "B", ... "Z", "AA", ...
std::string columnName(int column);

// A formula in R1C1 notation as written into the cell (row, column), in A1 notation: R[-2]C is two rows
// above in the same column, R2C3 is $C$2. Quoted text is left alone. A reference outside the sheet
// throws std::runtime_error.
std::string formulaR1C1ToA1(std::string_view formula, int row, int column);

struct CellRange {
    int firstRow = 0;
    int firstColumn = 0;
    int lastRow = 0;
    int lastColumn = 0;
};

// The cells summed by "=SUM(A1:B2, C3, ...)" in A1 notation; nullopt for any other formula.
std::optional<std::vector<CellRange>> sumArguments(std::string_view formulaA1);

}  // namespace velmora
