#include "reminders/business_calendar.h"

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "common/connection.h"

namespace velmora {

namespace {

constexpr std::string_view kFixedHolidays = "01/01;21/04;01/05;07/09;12/10;02/11;15/11;20/11;25/12";
constexpr std::string_view kNewYearsEve = "31/12";

// One entry per year from 2020 to 2040, in year order.
constexpr int kFirstMovableYear = 2020;
constexpr int kLastMovableYear = 2040;
constexpr std::string_view kCarnivalMonday =
    "24/02/20;15/02/21;28/02/22;20/02/23;12/02/24;03/03/25;16/02/26;08/02/27;28/02/28;12/02/29;04/03/30;24/02/31;"
    "09/02/32;28/02/33;20/02/34;05/02/35;25/02/36;16/02/37;08/03/38;21/02/39;13/02/40";
constexpr std::string_view kCarnivalTuesday =
    "25/02/20;16/02/21;01/03/22;21/02/23;13/02/24;04/03/25;17/02/26;09/02/27;29/02/28;13/02/29;05/03/30;25/02/31;"
    "10/02/32;01/03/33;21/02/34;06/02/35;26/02/36;17/02/37;09/03/38;22/02/39;14/02/40";
constexpr std::string_view kGoodFriday =
    "10/04/20;02/04/21;15/04/22;07/04/23;29/03/24;18/04/25;03/04/26;26/03/27;14/04/28;30/03/29;19/04/30;11/04/31;"
    "26/03/32;15/04/33;07/04/34;23/03/35;11/04/36;03/04/37;23/04/38;08/04/39;30/03/40";
constexpr std::string_view kCorpusChristi =
    "11/06/20;03/06/21;16/06/22;08/06/23;30/05/24;19/06/25;04/06/26;27/05/27;15/06/28;31/05/29;20/06/30;12/06/31;"
    "27/05/32;16/06/33;08/06/34;24/05/35;12/06/36;04/06/37;24/06/38;09/06/39;31/05/40";

constexpr std::string_view kCalendarSwitch = "ST_VENCTO_CONTA_PAGAR_RECEBER";

bool isPlainIdentifier(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool other = c == '_' || c == '$' || (c >= '0' && c <= '9');
        if (!letter && !(other && i > 0)) {
            return false;
        }
    }
    return true;
}

// Entries of a list all have the key's length and the key holds no ";", so only a whole entry matches.
bool listHolds(std::string_view list, std::string_view key) { return list.find(key) != std::string_view::npos; }

bool calendarInForce(std::string_view force, Connection& connection) {
    const std::string setting = parameterValue(kCalendarSwitch, connection);
    return setting == "S" || force == "S";
}

}  // namespace

std::string parameterValue(std::string_view column, Connection& connection) {
    if (!isPlainIdentifier(column)) {
        throw std::invalid_argument("Nome de coluna inválido: " + std::string(column));
    }
    const ResultSet rows =
        connection.query(" select " + std::string(column) + " from TAB_PARAMETRO" + " where ID_PARAMETRO = 1");
    return rows.empty() ? std::string() : rows.field(0, column).asString();
}

bool isNonBusinessDay(Date day) {
    const std::chrono::weekday weekday{day};
    if (weekday == std::chrono::Sunday || weekday == std::chrono::Saturday) {
        return true;
    }
    const std::chrono::year_month_day date{day};
    const int year = static_cast<int>(date.year());
    char key[16];
    std::snprintf(key, sizeof key, "%02u/%02u", static_cast<unsigned>(date.day()),
                  static_cast<unsigned>(date.month()));
    if (listHolds(kFixedHolidays, key) || kNewYearsEve == key) {
        return true;
    }
    // The lists carry two-digit years; outside their span the same key would name another century's day.
    if (year < kFirstMovableYear || year > kLastMovableYear) {
        return false;
    }
    std::snprintf(key, sizeof key, "%02u/%02u/%02d", static_cast<unsigned>(date.day()),
                  static_cast<unsigned>(date.month()), year % 100);
    return listHolds(kCarnivalMonday, key) || listHolds(kCarnivalTuesday, key) || listHolds(kGoodFriday, key) ||
           listHolds(kCorpusChristi, key);
}

Date adjustToBusinessDay(std::string_view direction, std::string_view force, Connection& connection, Date day) {
    if (calendarInForce(force, connection)) {
        const std::chrono::days step{direction == "R" ? -1 : 1};
        while (isNonBusinessDay(day)) {
            day += step;
        }
    }
    return day;
}

namespace {

// A count of 0 only adjusts the day; each further step moves one day, then onto a business day.
Date countBusinessDays(int count, std::string_view direction, std::string_view force, Connection& connection,
                       Date day) {
    if (count == 0) {
        return adjustToBusinessDay(direction, force, connection, day);
    }
    const std::chrono::days step{direction == "R" ? -1 : 1};
    for (int remaining = count; remaining > 0; --remaining) {
        day = adjustToBusinessDay(direction, force, connection, day + step);
    }
    return day;
}

}  // namespace

Date addBusinessDays(int count, std::string_view force, Connection& connection, Date day) {
    return countBusinessDays(count, "", force, connection, day);
}

Date subtractBusinessDays(int count, std::string_view force, Connection& connection, Date day) {
    return countBusinessDays(count, "R", force, connection, day);
}

}  // namespace velmora
