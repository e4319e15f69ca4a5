#include "direct_sheet_writer.h"

#include <xlsxwriter.h>

#include <chrono>
#include <stdexcept>

#include "reports/number_format_notation.h"
#include "reports/sales_cell_rule.h"
#include "reports/sales_workbook_writer.h"

namespace velmora::bench {

namespace {

void check(lxw_error error) {
    if (error != LXW_NO_ERROR) {
        throw std::runtime_error(std::string("libxlsxwriter: ") + lxw_strerror(error));
    }
}

lxw_format* numberFormat(lxw_workbook* book, const std::string& invariant) {
    lxw_format* format = workbook_add_format(book);
    format_set_num_format(format, invariant.c_str());
    return format;
}

double exactValue(const Field& field) {
    const ScaledInteger number = field.asScaled();
    double divisor = 1.0;
    for (int i = number.scale; i < 0; ++i) {
        divisor *= 10.0;
    }
    return static_cast<double>(number.value) / divisor;
}

}  // namespace

double writeDirectSheet(const ResultSet& rows, const std::vector<std::string>& legends,
                        const std::string& quantityMask, const std::string& valueMask, const std::filesystem::path& file) {
    const std::string folder = file.parent_path().string();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char*>(folder.c_str());
    lxw_workbook* book = workbook_new_opt(file.c_str(), &options);
    if (book == nullptr) {
        throw std::runtime_error("libxlsxwriter: cannot create " + file.string());
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Planilha1");

    // Per column, once: the writer's kind and format for the field.
    const std::size_t columns = rows.columnCount();
    std::vector<SalesCellRule> rules;
    std::vector<lxw_format*> formats;
    lxw_format* text = numberFormat(book, "@");
    lxw_format* date = numberFormat(book, "dd/mm/yyyy");
    lxw_format* currency = numberFormat(book, "\"R$\" #,##0.00");
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    for (const ColumnInfo& column : rows.columns()) {
        rules.push_back(salesCellRule(column, quantityMask, valueMask));
        const SalesCellRule& rule = rules.back();
        if (rule.numberFormat) {
            formats.push_back(numberFormat(book, invariantNumberFormat(*rule.numberFormat)));
        } else if (rule.kind == SalesCellKind::Date) {
            formats.push_back(date);
        } else if (rule.kind == SalesCellKind::Currency) {
            formats.push_back(currency);
        } else if (rule.kind == SalesCellKind::Text) {
            formats.push_back(text);
        } else {
            formats.push_back(nullptr);
        }
    }

    for (std::size_t c = 0; c < legends.size(); ++c) {
        check(worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), legends[c].c_str(), bold));
    }
    std::vector<double> sums(columns, 0.0);
    const DateTime dayZero = emptyDateTime();
    for (std::size_t r = 0; r < rows.rowCount(); ++r) {
        const auto row = static_cast<lxw_row_t>(r + 1);
        for (std::size_t c = 0; c < columns; ++c) {
            const Field field = rows.field(r, c);
            const auto col = static_cast<lxw_col_t>(c);
            double value = 0.0;
            switch (rules[c].kind) {
            case SalesCellKind::Text: {
                const std::string shown = field.asString();
                check(shown.empty() ? worksheet_write_blank(sheet, row, col, formats[c])
                                    : worksheet_write_string(sheet, row, col, shown.c_str(), formats[c]));
                continue;
            }
            case SalesCellKind::Date: {
                const DateTime when = field.asDateTime();
                if (when == dayZero) {
                    continue;
                }
                value = std::chrono::duration<double, std::chrono::days::period>(when - dayZero).count();
                break;
            }
            case SalesCellKind::Double: value = exactValue(field); break;
            case SalesCellKind::Percent: value = exactValue(field) / 100.0; break;
            case SalesCellKind::Currency: value = static_cast<double>(field.asScaled().rescaled(4)) / 10000.0; break;
            case SalesCellKind::Integer: value = static_cast<double>(field.asInteger()); break;
            }
            sums[c] += value;
            check(worksheet_write_number(sheet, row, col, value, formats[c]));
        }
    }

    const auto totals = static_cast<lxw_row_t>(rows.rowCount() + 1);
    check(worksheet_write_string(sheet, totals, 0, "TOTAL:", bold));
    for (std::size_t c = 0; c < columns; ++c) {
        if (!rules[c].summable) {
            continue;
        }
        char range[64];
        lxw_rowcol_to_range(range, 1, static_cast<lxw_col_t>(c), totals - 1, static_cast<lxw_col_t>(c));
        const std::string formula = std::string("=SUM(") + range + ")";
        check(worksheet_write_formula_num(sheet, totals, static_cast<lxw_col_t>(c), formula.c_str(), bold, sums[c]));
    }
    for (std::size_t c = 0; c < columns; ++c) {
        worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), 16.0, nullptr);
    }
    const auto closing = std::chrono::steady_clock::now();
    check(workbook_close(book));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - closing).count();
}

}  // namespace velmora::bench
