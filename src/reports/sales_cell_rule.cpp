#include "reports/sales_cell_rule.h"

#include <ibase.h>

#include <initializer_list>
#include <string_view>

#include "common/text.h"
#include "reports/workbook.h"

namespace velmora {

namespace {

bool anyExact(std::string_view name, std::initializer_list<std::string_view> candidates) {
    for (const std::string_view candidate : candidates) {
        if (name == candidate) {
            return true;
        }
    }
    return false;
}

// The name converted to upper case equals one of the (upper-case) candidates.
bool anyUpper(std::string_view name, std::initializer_list<std::string_view> candidates) {
    for (const std::string_view candidate : candidates) {
        if (equalsIgnoringCase(name, candidate)) {
            return true;
        }
    }
    return false;
}

SalesCellRule decimalRule(std::string_view name, const std::string& quantityMask, const std::string& valueMask) {
    if (anyExact(name, {"QT_PRODUTO", "QTDE_VENDA"})) {
        return {SalesCellKind::Double, quantityMask, true};
    }
    if (anyExact(name, {"QTDE_VENDA_AVALIACAO_GERAL"})) {
        return {SalesCellKind::Double, "##0,0%", true};
    }
    if (anyExact(name, {"VL_UNITARIO"})) {
        return {SalesCellKind::Double, valueMask, true};
    }
    if (anyExact(name, {"PARTICIPACAO"}) || anyUpper(name, {"VL_TOTAL_PESO_BRUT", "VL_TOTAL_PESO_LIQ"})) {
        return {SalesCellKind::Double, "###.##0,00", true};
    }
    if (anyUpper(name, {"PO_COMISSAO", "VL_PO_PRODUTO_TOTAL", "PO_ALIQ_ICMS", "PO_ALIQ_IPI"})) {
        return {SalesCellKind::Percent, "##0,00%", true};
    }
    if (anyUpper(name, {"PESO_BRUTO", "PESO_BRUTO_TOTAL"})) {
        return {SalesCellKind::Double, "###.##0,000", true};
    }
    return {SalesCellKind::Currency, std::nullopt, true};
}

// An exact decimal as the nearest double: dividing by an exact power of ten rounds once, multiplying by
// 10^-n would round twice (1.2345 would read 1.2345000000000002).
double decimalValue(const Field& field) {
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                                              1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
    const ColumnInfo& info = field.info();
    const bool exact = info.sqlType == SQL_SHORT || info.sqlType == SQL_LONG || info.sqlType == SQL_INT64;
    if (exact && info.scale < 0 && info.scale >= -18) {
        const ScaledInteger number = field.asScaled();
        return static_cast<double>(number.value) / kPowersOfTen[-number.scale];
    }
    return field.asDouble();
}

}  // namespace

FieldTypeClass fieldTypeClass(const ColumnInfo& column) {
    switch (column.sqlType) {
    case SQL_TYPE_DATE:
    case SQL_TIMESTAMP: return FieldTypeClass::Date;
    case SQL_DOUBLE:
    case SQL_FLOAT:
    case SQL_D_FLOAT: return FieldTypeClass::Decimal;
    case SQL_SHORT: return column.scale != 0 ? FieldTypeClass::Decimal : FieldTypeClass::Text;
    case SQL_LONG:
    case SQL_INT64: return column.scale != 0 ? FieldTypeClass::Decimal : FieldTypeClass::Integer;
    default: return FieldTypeClass::Text;
    }
}

SalesCellRule salesCellRule(const ColumnInfo& column, const std::string& quantityMask, const std::string& valueMask) {
    switch (fieldTypeClass(column)) {
    case FieldTypeClass::Date: return {SalesCellKind::Date, std::nullopt, false};
    case FieldTypeClass::Decimal: return decimalRule(column.name, quantityMask, valueMask);
    case FieldTypeClass::Integer:
        return {SalesCellKind::Integer, std::nullopt, equalsIgnoringCase(column.name, "NO_VOLUMES")};
    case FieldTypeClass::Text: break;
    }
    return {SalesCellKind::Text, std::nullopt, false};
}

void writeSalesCell(Workbook& workbook, int row, int column, const Field& field, const SalesCellRule& rule) {
    if (rule.numberFormat) {
        workbook.setNumberFormat(row, column, *rule.numberFormat);
    }
    switch (rule.kind) {
    case SalesCellKind::Date:
        if (const DateTime value = field.asDateTime(); value != emptyDateTime()) {
            workbook.setDateTime(row, column, value);
        }
        return;
    case SalesCellKind::Double: workbook.setNumber(row, column, decimalValue(field)); return;
    case SalesCellKind::Percent: workbook.setNumber(row, column, decimalValue(field) / 100.0); return;
    case SalesCellKind::Currency: workbook.setCurrency(row, column, field.asScaled()); return;
    case SalesCellKind::Integer: workbook.setInteger(row, column, field.asInteger()); return;
    case SalesCellKind::Text: workbook.setText(row, column, "'" + field.asString()); return;
    }
}

}  // namespace velmora
