#pragma once

#include <optional>
#include <string>

#include "common/result_set.h"

namespace velmora {

class Workbook;

// What kind of cell a result field of a sales report becomes, from the type the database reports for it.
enum class FieldTypeClass { Date, Decimal, Integer, Text };

FieldTypeClass fieldTypeClass(const ColumnInfo& column);

enum class SalesCellKind {
    Date,      // a date and time; day zero leaves the cell empty
    Double,    // the value as it is
    Percent,   // the value divided by 100
    Currency,  // fixed point, four decimals
    Integer,
    Text,      // an apostrophe and the field's text form
};

struct SalesCellRule {
    SalesCellKind kind = SalesCellKind::Text;
    std::optional<std::string> numberFormat;  // Brazilian notation, set on the cell before its value
    bool summable = false;                    // summed in the totals row
};

// The rule for one field by its type class and its name (the alias of its select item); the masks are the
// ERP's quantity and value masks already in Brazilian notation.
SalesCellRule salesCellRule(const ColumnInfo& column, const std::string& quantityMask, const std::string& valueMask);

// Writes the field into the cell (row, column) by its rule: number format first, then the value. A null number
// is written as 0, a null text as the apostrophe alone.
void writeSalesCell(Workbook& workbook, int row, int column, const Field& field, const SalesCellRule& rule);

}  // namespace velmora
