#include <gtest/gtest.h>

#include "common/ptbr_format.h"
#include "monitor/publication_schedule.h"
#include "support/erp_installation.h"
#include "support/fake_clock.h"

namespace velmora {
namespace {

using namespace std::chrono;
using test::FakeClock;

Date day(int y, unsigned m, unsigned d) { return local_days(year(y) / month(m) / d); }

TEST(PublicationSchedule, StartDateCountsThirtyDaysAMonthFromTheSixteenth) {
    const struct {
        int months;
        Date expected;
    } cases[] = {
        {0, day(2026, 12, 1)}, {1, day(2026, 11, 1)}, {12, day(2025, 12, 1)}, {24, day(2024, 12, 1)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(publicationStartDate(day(2026, 12, 8), c.months), c.expected) << c.months;
    }
    // A month counted as 30 days: far enough back, the start is one month later than the calendar says.
    EXPECT_EQ(publicationStartDate(day(2026, 12, 8), 34), day(2024, 3, 1));
}

TEST(PublicationSchedule, NextTimeOfDailyAndIntervalReports) {
    const struct {
        const char* now;
        ReportSchedule schedule;
        const char* expected;  // after the move to tomorrow of a minute already reached
    } cases[] = {
        {"08/12/2026 07:59:30", {1, "08:00:00", 0}, "08/12/2026 08:00:00"},
        {"08/12/2026 08:00:10", {1, "08:00:00", 0}, "09/12/2026 08:00:00"},
        {"08/12/2026 17:45:00", {1, "08:00:00", 0}, "09/12/2026 08:00:00"},
        {"08/12/2026 22:30:15", {2, "", 6}, "09/12/2026 04:30:15"},
        {"08/12/2026 22:30:15", {0, "", 0}, "09/12/2026 22:30:15"},  // interval 0: a day later
        {"31/12/2026 23:10:00", {1, "07:00", 0}, "01/01/2027 07:00:00"},
    };
    test::ErpInstallation erp;
    auto db = erp.connect();
    db->execute("insert into tab_relatorio (id_relatorio, nm_relatorio, st_ativo) values (7, 'R', 'S')");
    for (const auto& c : cases) {
        db->execute("update tab_relatorio set dh_proxima_public = null, dh_ultima_public = null");
        FakeClock clock(*parseDateTime(c.now));
        clock.advance(milliseconds(250));  // fractions of a second never reach the schedule

        storeNextPublication(7, nextPublicationTime(c.schedule, clock), *db, clock);

        const ResultSet row = db->query("select dh_proxima_public, dh_ultima_public from tab_relatorio");
        EXPECT_EQ(formatDateTime(row.field(0, 0).asDateTime(), "dd/mm/yyyy hh:mm:ss"), c.expected) << c.now;
        EXPECT_FALSE(row.field(0, 1).isNull());
    }
}

TEST(PublicationSchedule, ADailyTimeThatIsNoTimeFailsWithItsText) {
    FakeClock clock;
    try {
        nextPublicationTime({1, "8h", 0}, clock);
        FAIL();
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("8h"), std::string::npos);
    }
}

}  // namespace
}  // namespace velmora
