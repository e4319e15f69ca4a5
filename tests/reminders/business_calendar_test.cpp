#include "reminders/business_calendar.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>

#include "common/connection.h"
#include "common/ptbr_format.h"
#include "common/sql_text.h"
#include "reminders/calendar_days.h"
#include "support/erp_installation.h"

namespace velmora {
namespace {

using namespace std::chrono;
using test::day;
using test::text;

// An installation whose parameter row carries the business-day switch under test.
class CalendarDatabase {
public:
    CalendarDatabase() { db_->execute("insert into tab_parametro (id_parametro) values (1)"); }

    Connection& switchedTo(const std::optional<std::string>& value) {
        db_->execute("update tab_parametro set st_vencto_conta_pagar_receber = " +
                     (value ? quotedSql(*value) : std::string("null")));
        return *db_;
    }

private:
    test::ErpInstallation erp_;
    std::unique_ptr<Connection> db_ = erp_.connect();
};

TEST(BusinessCalendar, CountingDays) {
    enum class Way { Forward, Backward };
    const struct {
        Way way;
        int count;
        const char* force;
        std::optional<std::string> column;
        Date from;
        Date expected;
        const char* why;
    } cases[] = {
        {Way::Forward, 1, "N", "S", day(2025, 2, 28), day(2025, 3, 5), "weekend and Carnival skipped"},
        {Way::Backward, 1, "N", "S", day(2025, 3, 5), day(2025, 2, 28), "Carnival and weekend skipped backwards"},
        {Way::Forward, 1, "N", "S", day(2027, 12, 24), day(2027, 12, 27), "Christmas on a Saturday"},
        {Way::Forward, 3, "N", "S", day(2026, 3, 10), day(2026, 3, 13), "a week without holidays"},
        {Way::Backward, 3, "N", "S", day(2026, 3, 10), day(2026, 3, 5), "a week without holidays, backwards"},
        {Way::Forward, 0, "N", "S", day(2025, 6, 7), day(2025, 6, 9), "count 0 on a Saturday, forwards"},
        {Way::Backward, 0, "N", "S", day(2025, 6, 7), day(2025, 6, 6), "count 0 on a Saturday, backwards"},
        {Way::Forward, 0, "N", "S", day(2025, 6, 11), day(2025, 6, 11), "count 0 on a business day"},
        {Way::Backward, 0, "N", "S", day(2025, 6, 11), day(2025, 6, 11), "count 0 on a business day, backwards"},
        {Way::Forward, 1, "N", "S", day(2025, 12, 30), day(2026, 1, 2), "31/12 and 01/01 skipped"},
        {Way::Forward, -2, "N", "S", day(2025, 6, 7), day(2025, 6, 7), "negative count, forwards"},
        {Way::Backward, -1, "N", "S", day(2025, 6, 7), day(2025, 6, 7), "negative count, backwards"},
        {Way::Forward, 3, "N", "N", day(2025, 6, 6), day(2025, 6, 9), "calendar days from a Friday"},
        {Way::Backward, 3, "N", "N", day(2025, 6, 6), day(2025, 6, 3), "calendar days back from a Friday"},
        {Way::Forward, 1, "N", "N", day(2025, 2, 28), day(2025, 3, 1), "without the calendar a Saturday counts"},
        {Way::Forward, 0, "N", "N", day(2025, 3, 3), day(2025, 3, 3), "count 0 on Carnival without the calendar"},
        {Way::Backward, 0, "N", "s", day(2025, 6, 7), day(2025, 6, 7), "lower-case switch is off"},
        {Way::Forward, 1, "N", "", day(2025, 2, 28), day(2025, 3, 1), "empty switch is off"},
        {Way::Forward, 1, "N", std::nullopt, day(2025, 2, 28), day(2025, 3, 1), "NULL switch is off"},
        {Way::Forward, 1, "S", "N", day(2025, 2, 28), day(2025, 3, 5), "force flag puts the calendar in force"},
        {Way::Backward, 0, "S", std::nullopt, day(2025, 6, 8), day(2025, 6, 6), "force flag with a NULL switch"},
        {Way::Forward, 1, "s", "N", day(2025, 2, 28), day(2025, 3, 1), "lower-case force flag does not force"},
    };
    CalendarDatabase database;
    for (const auto& c : cases) {
        Connection& db = database.switchedTo(c.column);
        const Date result = c.way == Way::Forward ? addBusinessDays(c.count, c.force, db, c.from)
                                                  : subtractBusinessDays(c.count, c.force, db, c.from);
        EXPECT_EQ(text(result), text(c.expected)) << c.why << " (count " << c.count << " from " << text(c.from) << ")";
    }
}

TEST(BusinessCalendar, AdjustingMovesOnlyWithTheCalendarInForce) {
    CalendarDatabase database;
    Connection& on = database.switchedTo("S");
    EXPECT_EQ(adjustToBusinessDay("R", "N", on, day(2025, 3, 4)), day(2025, 2, 28));
    EXPECT_EQ(adjustToBusinessDay("", "N", on, day(2025, 3, 4)), day(2025, 3, 5));
    EXPECT_EQ(adjustToBusinessDay("r", "N", on, day(2025, 3, 4)), day(2025, 3, 5)) << "only \"R\" goes back";
    Connection& off = database.switchedTo("N");
    EXPECT_EQ(adjustToBusinessDay("R", "N", off, day(2025, 3, 4)), day(2025, 3, 4));
}

TEST(BusinessCalendar, ParameterReader) {
    test::ErpInstallation erp;
    auto db = erp.connect();
    EXPECT_EQ(parameterValue("ST_VENCTO_CONTA_PAGAR_RECEBER", *db), "") << "no parameter row";
    db->execute("insert into tab_parametro (id_parametro, hr_enviar_email_vencto) values (2, '09:00')");
    db->execute("insert into tab_parametro (id_parametro, hr_enviar_email_vencto) values (1, null)");
    EXPECT_EQ(parameterValue("hr_enviar_email_vencto", *db), "") << "row 1 holds NULL";
    db->execute("update tab_parametro set hr_enviar_email_vencto = '07:30' where id_parametro = 1");
    EXPECT_EQ(parameterValue("HR_ENVIAR_EMAIL_VENCTO", *db), "07:30");
    EXPECT_THROW(parameterValue("NO_SUCH_COLUMN", *db), std::runtime_error);
    EXPECT_THROW(parameterValue("1 from rdb$database; --", *db), std::invalid_argument);
}

}  // namespace
}  // namespace velmora
