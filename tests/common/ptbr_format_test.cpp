#include "common/ptbr_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora {
namespace {

using namespace std::chrono;

struct PatternCase {
    DateTime value;
    std::string pattern;
    std::string expected;
};

TEST(PtBrFormatTest, FormatDateTimePatterns) {
    const DateTime afternoon = makeDateTime(2026, 12, 10, 15, 30, 5, 7);
    const DateTime morning = makeDateTime(2026, 3, 4, 8, 1, 2);
    const std::vector<PatternCase> cases = {
        {afternoon, "dd/mm/yyyy hh:mm:ss", "10/12/2026 15:30:05"},
        {afternoon, "dd.mm.yyyy", "10.12.2026"},
        {afternoon, "dd.mm.yyyy hh:mm:ss", "10.12.2026 15:30:05"},
        {afternoon, "dd/mm/yyyy hh:mm", "10/12/2026 15:30"},
        {afternoon, "hh:mm", "15:30"},
        {afternoon, "yyyymmddhhmmss", "20261210153005"},
        {afternoon, "yyyy-mm", "2026-12"},
        {afternoon, "hh:nn:ss.zzz", "15:30:05.007"},
        {afternoon, "s,z", "5,7"},
        {afternoon, "DD/MM/YYYY HH:MM", "10/12/2026 15:30"},
        {morning, "d/m/yy h:n:s", "4/3/26 8:1:2"},
        {morning, "mm/dd", "03/04"},
        {morning, "mm:ss", "01:02"},
        {morning, "hh dd mm", "08 04 03"},
        {morning, "hh'h'mm 'de' mm", "08h01 de 03"},
        {morning, "\"dia\" dd 'mm'", "dia 04 mm"},
        {morning, "c", "04/03/2026 08:01:02"},
        {morning, "t | tt", "08:01 | 08:01:02"},
        {morning, "ano: yyyy", "a1o: 2026"},  // unquoted letters are tokens when they can be
        {morning, "'ano:' yyyy; x", "ano: 2026; x"},
        {makeDateTime(999, 1, 2), "dd/mm/yyyy yy", "02/01/0999 99"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatDateTime(c.value, c.pattern), c.expected) << c.pattern;
    }
}

TEST(PtBrFormatTest, PatternsNeedingNamesOrATwelveHourClockAreRefused) {
    const DateTime value = makeDateTime(2026, 12, 10, 15, 30);
    for (const char* pattern : {"ddd", "dd mmmm yyyy", "hh:mm am/pm", "h a/p", "ee", "gg"}) {
        EXPECT_THROW(formatDateTime(value, pattern), std::invalid_argument) << pattern;
    }
}

TEST(PtBrFormatTest, DefaultFormLeavesOutAMidnightTime) {
    EXPECT_EQ(formatDefaultDateTime(makeDateTime(2026, 12, 10)), "10/12/2026");
    EXPECT_EQ(formatDefaultDateTime(makeDateTime(2026, 12, 10, 0, 0, 1)), "10/12/2026 00:00:01");
    EXPECT_EQ(formatDefaultDateTime(makeDateTime(2026, 12, 10, 0, 0, 0, 1)), "10/12/2026 00:00:00");
    EXPECT_EQ(formatDefaultDateTime(makeDateTime(2026, 1, 2, 23, 59, 59, 999)), "02/01/2026 23:59:59");
}

TEST(PtBrFormatTest, ParseDateTimeAcceptsBrazilianDatesWithOptionalTime) {
    struct Case {
        std::string text;
        DateTime expected;
    };
    const std::vector<Case> cases = {
        {"10/12/2026", makeDateTime(2026, 12, 10)},
        {"1/2/2026", makeDateTime(2026, 2, 1)},
        {"10/12/2026 08:00:00", makeDateTime(2026, 12, 10, 8)},
        {"  10/12/2026   8:5 ", makeDateTime(2026, 12, 10, 8, 5)},
        {"10/12/2026\t23:59:59", makeDateTime(2026, 12, 10, 23, 59, 59)},
        {"10/12/2026 ", makeDateTime(2026, 12, 10)},  // a daily report without a time of day
        {"29/02/2024 00:00", makeDateTime(2024, 2, 29)},
        {"10/12/26", makeDateTime(2026, 12, 10)},
        {"10/12/49", makeDateTime(2049, 12, 10)},
        {"10/12/50", makeDateTime(1950, 12, 10)},
        {"10/12/0", makeDateTime(2000, 12, 10)},
        {"30/12/1899", emptyDateTime()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseDateTime(c.text), std::optional<DateTime>(c.expected)) << c.text;
    }
}

TEST(PtBrFormatTest, ParseDateTimeRefusesEverythingElse) {
    for (const char* text : {"", "  ", "31/02/2026", "29/02/2025", "32/01/2026", "0/12/2026", "10/13/2026",
                             "10/0/2026", "10/12/0000", "10/12/20266", "100/12/2026", "10/12", "10-12-2026",
                             "10.12.2026", "2026/12/10", "10/12/2026x", "10/12/202608:00", "10/12/2026 08",
                             "10/12/2026 24:00", "10/12/2026 10:60", "10/12/2026 10:00:60", "10/12/2026 08:00 x",
                             "10/12/2026 08:00:00:00", "10/12/2026 8:", "/12/2026", "+1/12/2026"}) {
        EXPECT_EQ(parseDateTime(text), std::nullopt) << text;
    }
}

TEST(PtBrFormatTest, FormattedTimeStampsParseBackWithoutTheirMilliseconds) {
    const DateTime value = makeDateTime(2026, 12, 31, 22, 30, 59, 999);
    EXPECT_EQ(parseDateTime(formatDateTime(value, "dd/mm/yyyy hh:mm:ss")), makeDateTime(2026, 12, 31, 22, 30, 59));
}

TEST(PtBrFormatTest, ParseTimeOfDay) {
    EXPECT_EQ(parseTimeOfDay("08:00:00"), hours{8});
    EXPECT_EQ(parseTimeOfDay(" 8:5 "), hours{8} + minutes{5});
    EXPECT_EQ(parseTimeOfDay("23:59:59"), hours{23} + minutes{59} + seconds{59});
    EXPECT_EQ(parseTimeOfDay("0:00"), milliseconds{0});
    for (const char* text :
         {"", "08", "24:00", "8:60", "8:00:60", "08:00:00:00", "08:00x", "aa:bb", "-1:00", "8::00"}) {
        EXPECT_EQ(parseTimeOfDay(text), std::nullopt) << text;
    }
}

struct FixedCase {
    std::int64_t scaledValue;
    int scale;
    int decimals;
    bool group;
    std::string expected;
};

TEST(PtBrFormatTest, FormatFixedRoundsHalfAwayFromZero) {
    constexpr auto minimum = std::numeric_limits<std::int64_t>::min();
    constexpr auto maximum = std::numeric_limits<std::int64_t>::max();
    const std::vector<FixedCase> cases = {
        {12345000, -4, 2, true, "1.234,50"},
        {5000, -4, 2, true, "0,50"},
        {-12345000, -4, 2, true, "-1.234,50"},
        {0, -4, 2, true, "0,00"},
        {-49, -4, 2, true, "0,00"},  // -0.0049: no "-0,00"
        {-50, -4, 2, true, "-0,01"},
        {125, -2, 1, false, "1,3"},
        {-125, -2, 1, false, "-1,3"},
        {124, -2, 1, false, "1,2"},
        {999995, -4, 2, true, "100,00"},
        {99999995, -4, 2, true, "10.000,00"},
        {123, -4, 4, false, "0,0123"},
        {123, -4, 6, false, "0,012300"},
        {5, -1, 0, false, "1"},
        {4, -1, 0, false, "0"},
        {100, 0, 0, true, "100"},
        {1000, 0, 0, true, "1.000"},
        {123456, 0, 0, true, "123.456"},
        {1234567, 0, 2, true, "1.234.567,00"},
        {1234567, 0, 2, false, "1234567,00"},
        {12, 2, 0, true, "1.200"},
        {123456789012345678, -4, 2, true, "12.345.678.901.234,57"},
        {maximum, -4, 2, true, "922.337.203.685.477,58"},
        {minimum, 0, 0, true, "-9.223.372.036.854.775.808"},
        {minimum, -18, 2, false, "-9,22"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatFixed(c.scaledValue, c.scale, c.decimals, c.group), c.expected)
            << c.scaledValue << " e" << c.scale << " with " << c.decimals;
    }
}

TEST(PtBrFormatTest, FormatMoneyMask) {
    EXPECT_EQ(formatMoneyMask(12345000, -4), "1.234,50");
    EXPECT_EQ(formatMoneyMask(5000, -4), "0,50");
    EXPECT_EQ(formatMoneyMask(-12345678, -4), "-1.234,57");
    EXPECT_EQ(formatMoneyMask(123456789, -2), "1.234.567,89");
}

TEST(PtBrFormatTest, FormatDoubleFollowsTheSameRules) {
    struct Case {
        double value;
        int decimals;
        bool group;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {1234.5, 2, true, "1.234,50"},
        {0.5, 2, true, "0,50"},
        {-1234.5, 2, true, "-1.234,50"},
        {2.675, 2, false, "2,68"},
        {1.005, 2, false, "1,01"},
        {0.125, 2, false, "0,13"},
        {-0.125, 2, false, "-0,13"},
        {0.1 + 0.2, 2, false, "0,30"},
        {-0.001, 2, false, "0,00"},
        {-0.0, 2, false, "0,00"},
        {1e-10, 2, false, "0,00"},
        {999.995, 2, true, "1.000,00"},
        {123.456, 0, false, "123"},
        {1e15, 0, true, "1.000.000.000.000.000"},
        {12345678.9, 3, true, "12.345.678,900"},
        {std::nan(""), 2, true, "NAN"},
        {-std::numeric_limits<double>::infinity(), 2, true, "-INF"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatDouble(c.value, c.decimals, c.group), c.expected) << c.value;
    }
}

TEST(PtBrFormatTest, ParseNumberReadsBrazilianNotation) {
    struct Case {
        std::string text;
        double value;
    };
    const std::vector<Case> accepted = {
        {"1.234,56", 1234.56}, {"-0,5", -0.5},          {"10", 10},     {" 10 ", 10},
        {"+3", 3},             {",5", 0.5},             {"1234,5", 1234.5}, {"1.234.567", 1234567},
        {"0,", 0},             {"-1.000.000,01", -1000000.01},
    };
    for (const auto& c : accepted) {
        EXPECT_EQ(parseNumber(c.text), std::optional<double>(c.value)) << c.text;
    }
    for (const char* text : {"", " ", "-", ",", "1.23", "1.2345", "12.34,5", ".123", "1..234", "1.234.", "1,2,3",
                             "1,5x", "abc", "1e3", "1.234,5.6", "--1", "1 000", "1.5"}) {
        EXPECT_EQ(parseNumber(text), std::nullopt) << text;
    }
}

}  // namespace
}  // namespace velmora
