#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>

#include "common/date_time.h"
#include "reports/display_format.h"
#include "reports/formula_references.h"
#include "reports/number_format_notation.h"
#include "reports/text_width.h"

namespace velmora {
namespace {

TEST(NumberFormatNotation, SwapsSeparatorsOutsideQuotedTextAndEscapes) {
    const struct {
        const char* brazilian;
        const char* stored;
    } cases[] = {
        {"###.##0,00", "###,##0.00"},
        {"##0,00%", "##0.00%"},
        {"##0,0%", "##0.0%"},
        {"###.##0,000", "###,##0.000"},
        {"R$ #.##0,00;\\(R$ #.##0,00\\)", "R$ #,##0.00;\\(R$ #,##0.00\\)"},
        {"\"1.000,5 un.\" #.##0", "\"1.000,5 un.\" #,##0"},
        {"0\\.000,0", "0\\.000.0"},
        {"#.##0,00_,", "#,##0.00_,"},
        {"*.#.##0", "*.#,##0"},
        {"dd/mm/yyyy hh:mm", "dd/mm/yyyy hh:mm"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(invariantNumberFormat(c.brazilian), c.stored) << c.brazilian;
    }
}

double serial(int year, unsigned month, unsigned day, unsigned hour = 0, unsigned minute = 0) {
    using namespace std::chrono;
    return duration<double, days::period>(makeDateTime(year, month, day, hour, minute) - emptyDateTime()).count();
}

TEST(DisplayFormat, ShowsNumbersAndDatesAsTheBrazilianSettingsDo) {
    const struct {
        const char* format;
        double value;
        const char* shown;
    } cases[] = {
        {"###,##0.00", 1234567.891, "1.234.567,89"},
        {"###,##0.00", -5, "-5,00"},
        {"###,##0.00", 2.675, "2,68"},
        {"##0.00%", 0.18, "18,00%"},
        {"##0.0%", 0.5, "50,0%"},
        {"###,##0.000", 0.5, "0,500"},
        {"0", 2.5, "3"},
        {"#.##", 0.5, ",5"},
        {"\"R$\" #,##0.00", 1234.5, "R$ 1.234,50"},
        {"R$ #,##0.00;\\(R$ #,##0.00\\)", -3.5, "(R$ 3,50)"},
        {"0.00E+00", 12345, "1,23E+04"},
        {"", 1234.5, "1234,5"},
        {"General", 123456789012.0, "1,23457E+11"},
        {"General", 0.1 + 0.2, "0,3"},
        {"dd/mm/yyyy", serial(2026, 12, 8), "08/12/2026"},
        {"dd/mm/yyyy hh:mm", serial(2026, 12, 8, 8, 5), "08/12/2026 08:05"},
        {"d mmm yyyy", serial(2026, 12, 8), "8 dez 2026"},
        {"dddd", serial(2026, 12, 8), "terça-feira"},
        {"[h]:mm", 1.5, "36:00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DisplayFormat(c.format).showNumber(c.value), c.shown) << c.format << " " << c.value;
        // The remembered widths must agree with what is shown.
        EXPECT_DOUBLE_EQ(DisplayFormat(c.format).numberWidth(c.value), textWidth(c.shown)) << c.format;
    }
    EXPECT_EQ(DisplayFormat("@").showText("00123"), "00123");
    EXPECT_EQ(DisplayFormat("0;-0;0;\"Código \"@").showText("A1"), "Código A1");
    EXPECT_EQ(DisplayFormat("###,##0.00").showText("texto"), "texto");
}

TEST(DisplayFormat, RemembersWidthsOnlyForValuesShownAlike) {
    const DisplayFormat format("#,##0.##");
    const double values[] = {1, 1.5, 1.25, 10, 1000, 999.999, 0, -7.1};
    for (const double value : values) {
        EXPECT_DOUBLE_EQ(format.numberWidth(value), textWidth(format.showNumber(value))) << value;
    }
}

TEST(TextWidth, MeasuresInDigitWidthsOfTheDefaultFont) {
    EXPECT_DOUBLE_EQ(textWidth("0123456789"), 10.0);
    EXPECT_GT(textWidth("WWWW"), textWidth("iiii") * 3);
    EXPECT_DOUBLE_EQ(textWidth("Ação"), textWidth("Acao"));
    EXPECT_GT(textWidth("Total", true), textWidth("Total"));
    EXPECT_DOUBLE_EQ(textWidth("curta\nlinha mais longa"), textWidth("linha mais longa"));
}

TEST(FormulaReferences, ConvertsR1C1ToA1ForTheCellWrittenTo) {
    const struct {
        const char* formula;
        int row;
        int column;
        const char* a1;
    } cases[] = {
        {"=SUM(R[-10]C:R[-1]C)", 12, 3, "=SUM(C2:C11)"},
        {"=SUM(R[-1]C:R[-1]C)", 2, 27, "=SUM(AA1:AA1)"},
        {"=R1C1+RC[-1]", 5, 2, "=$A$1+A5"},
        {"=R[1]C[1]*2", 1, 1, "=B2*2"},
        {"=RC27", 4, 1, "=$AA4"},
        {"=R2C", 9, 3, "=C$2"},
        {"=ROUND(RC[1],2)", 3, 1, "=ROUND(B3,2)"},
        {"=\"R1C1\"&RC", 2, 2, "=\"R1C1\"&B2"},
        {"=SUM(r[-2]c:r[-1]c)", 3, 1, "=SUM(A1:A2)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formulaR1C1ToA1(c.formula, c.row, c.column), c.a1) << c.formula;
    }
    EXPECT_THROW(formulaR1C1ToA1("=SUM(R[-2]C:R[-1]C)", 2, 1), std::runtime_error);
    EXPECT_THROW(formulaR1C1ToA1("=RC[-1]", 2, 1), std::runtime_error);
    EXPECT_EQ(columnName(1), "A");
    EXPECT_EQ(columnName(26), "Z");
    EXPECT_EQ(columnName(27), "AA");
    EXPECT_EQ(columnName(16384), "XFD");
}

TEST(FormulaReferences, FindsTheCellsOfASum) {
    const auto single = sumArguments("=SUM(B2:B11)");
    ASSERT_TRUE(single);
    ASSERT_EQ(single->size(), 1u);
    EXPECT_EQ((*single)[0].firstRow, 2);
    EXPECT_EQ((*single)[0].lastRow, 11);
    EXPECT_EQ((*single)[0].firstColumn, 2);
    EXPECT_EQ((*single)[0].lastColumn, 2);

    const auto several = sumArguments("=sum($B$3:$A$2, C4)");
    ASSERT_TRUE(several);
    ASSERT_EQ(several->size(), 2u);
    EXPECT_EQ((*several)[0].firstRow, 2);
    EXPECT_EQ((*several)[0].lastRow, 3);
    EXPECT_EQ((*several)[0].firstColumn, 1);
    EXPECT_EQ((*several)[0].lastColumn, 2);
    EXPECT_EQ((*several)[1].firstRow, 4);
    EXPECT_EQ((*several)[1].firstColumn, 3);

    EXPECT_FALSE(sumArguments("=B2+1"));
    EXPECT_FALSE(sumArguments("=SUM(B2:B3)+1"));
    EXPECT_FALSE(sumArguments("=SUM(Plan2!B2)"));
}

}  // namespace
}  // namespace velmora
