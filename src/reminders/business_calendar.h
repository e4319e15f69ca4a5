#pragma once

#include <string>
#include <string_view>

#include "common/date_time.h"

namespace velmora {

class Connection;

// The column's value in the ERP parameter row (ID_PARAMETRO = 1) as text; NULL, or no such row, gives "".
// Only the program's own column names are passed; anything but a plain identifier is refused.
std::string parameterValue(std::string_view column, Connection& connection);

// Saturday, Sunday, a fixed national holiday, 31 December, or one of the movable feasts of 2020 to 2040
// (Carnival Monday and Tuesday, Good Friday, Corpus Christi).
bool isNonBusinessDay(Date day);

// With the calendar in force (ST_VENCTO_CONTA_PAGAR_RECEBER = "S", or `force` = "S") the day is moved onto
// a business day: backwards for direction "R", forwards otherwise. The switch is read on every call.
Date adjustToBusinessDay(std::string_view direction, std::string_view force, Connection& connection, Date day);

// `count` days after `day`, each step landing on a business day when the calendar is in force; a count of
// 0 only adjusts the day, a negative count returns it unchanged.
Date addBusinessDays(int count, std::string_view force, Connection& connection, Date day);
// The mirror image of addBusinessDays, counting backwards.
Date subtractBusinessDays(int count, std::string_view force, Connection& connection, Date day);

}  // namespace velmora
