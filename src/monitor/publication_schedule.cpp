#include "monitor/publication_schedule.h"

#include <chrono>
#include <stdexcept>

#include "common/clock.h"
#include "common/connection.h"
#include "common/ptbr_format.h"
#include "common/sql_text.h"

namespace velmora {

namespace {

constexpr int kDaily = 1;

DateTime fromText(const std::string& text, const std::string& what) {
    const auto value = parseDateTime(text);
    if (!value) {
        throw std::runtime_error(what);
    }
    return *value;
}

}  // namespace

DateTime nextPublicationTime(const ReportSchedule& schedule, const Clock& clock) {
    const DateTime now = clock.now();
    if (schedule.scheduleKind == kDaily) {
        return fromText(formatDateTime(now, "dd/mm/yyyy") + " " + schedule.publicationTime,
                        "Horário de publicação inválido: \"" + schedule.publicationTime + "\"");
    }
    // Through the text form, as the schedule is written to the second.
    const DateTime next = now + std::chrono::hours(schedule.intervalHours);
    return fromText(formatDateTime(next, "dd/mm/yyyy hh:mm:ss"), "Intervalo de publicação inválido");
}

void storeNextPublication(int reportId, DateTime next, Connection& connection, const Clock& clock) {
    const DateTime now = clock.now();
    if (formatDateTime(now, "hh:mm") >= formatDateTime(next, "hh:mm") &&
        formatDateTime(now, "dd.mm.yyyy") == formatDateTime(next, "dd.mm.yyyy")) {
        next += std::chrono::days(1);
    }
    connection.execute(" update tab_relatorio set dh_proxima_public = " +
                       quotedSql(formatDateTime(next, "dd.mm.yyyy hh:mm:ss")) + "," +
                       " dh_ultima_public = current_timestamp" + " where id_relatorio = " + std::to_string(reportId));
}

Date publicationStartDate(Date today, int months) {
    // The 16th of this month, then 30 days per month back, then the first of the month reached.
    const auto dayOfMonth = [](Date day) {
        return static_cast<int>(static_cast<unsigned>(std::chrono::year_month_day(day).day()));
    };
    const Date x = today - std::chrono::days(dayOfMonth(today)) + std::chrono::days(16) -
                   std::chrono::days(30LL * months);
    return x - std::chrono::days(dayOfMonth(x)) + std::chrono::days(1);
}

}  // namespace velmora
