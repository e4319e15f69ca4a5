#include "reminders/business_calendar.h"

#include <gtest/gtest.h>

#include <chrono>
#include <utility>

#include "reminders/calendar_days.h"

namespace velmora {
namespace {

using namespace std::chrono;
using test::day;
using test::text;

// Easter Sunday by the Gregorian computus (anonymous algorithm), independent of the program's lists.
Date easter(int y) {
    const int a = y % 19, b = y / 100, c = y % 100, d = b / 4, e = b % 4, f = (b + 8) / 25, g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30, i = c / 4, k = c % 4, l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    const int month = (h + l - 7 * m + 114) / 31, dayOfMonth = (h + l - 7 * m + 114) % 31 + 1;
    return day(y, static_cast<unsigned>(month), static_cast<unsigned>(dayOfMonth));
}

TEST(BusinessCalendar, NonBusinessDays) {
    const struct {
        Date date;
        bool nonBusiness;
        const char* why;
    } cases[] = {
        {day(2025, 6, 7), true, "Saturday"},
        {day(2025, 6, 8), true, "Sunday"},
        {day(2025, 6, 11), false, "ordinary Wednesday"},
        {day(2025, 4, 21), true, "Tiradentes"},
        {day(2025, 11, 20), true, "20/11 in a year of the lists"},
        {day(2041, 11, 20), true, "20/11 in any year"},
        {day(2025, 12, 31), true, "31/12"},
        {day(2041, 12, 31), true, "31/12 in any year"},
        {day(2025, 12, 24), false, "24/12"},
        {day(2025, 3, 3), true, "Carnival Monday 2025"},
        {day(2025, 3, 4), true, "Carnival Tuesday 2025"},
        {day(2025, 3, 5), false, "Ash Wednesday"},
        {day(2025, 4, 18), true, "Good Friday 2025"},
        {day(2040, 5, 31), true, "Corpus Christi 2040"},
        {day(2041, 6, 20), false, "Corpus Christi 2041, after the lists"},
        {day(2041, 4, 19), false, "Good Friday 2041, after the lists"},
        {day(1920, 2, 24), false, "a day whose two-digit key is Carnival Monday 2020"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isNonBusinessDay(c.date), c.nonBusiness) << c.why << ", " << text(c.date);
    }
}

TEST(BusinessCalendar, MovableFeastsFollowEasterFrom2020To2040) {
    for (int y = 2020; y <= 2041; ++y) {
        const Date sunday = easter(y);
        for (const auto& [name, feast] : {std::pair{"Carnival Monday", sunday - days{48}},
                                          std::pair{"Carnival Tuesday", sunday - days{47}},
                                          std::pair{"Good Friday", sunday - days{2}},
                                          std::pair{"Corpus Christi", sunday + days{60}}}) {
            EXPECT_EQ(isNonBusinessDay(feast), y <= 2040) << name << " " << text(feast);
        }
        EXPECT_FALSE(isNonBusinessDay(sunday - days{46})) << "Ash Wednesday " << y;
    }
}

}  // namespace
}  // namespace velmora
