#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/date_time.h"

namespace velmora {

// Brazilian Portuguese regional settings, fixed: the machine's locale is never consulted.

// Delphi-style date pattern: d dd, m mm (month, or minutes right after an hour token or before a seconds
// token), n nn (minutes), yy yyyy, h hh, s ss, z zzz (milliseconds), c (default form), t tt (short and
// long time); "/" and ":" are the date and time separators, quoted text and other characters are copied.
// Tokens that need names or a 12-hour clock are not supported and throw std::invalid_argument.
std::string formatDateTime(DateTime value, std::string_view pattern);

// "dd/mm/yyyy hh:mm:ss", or just "dd/mm/yyyy" when the time is exactly midnight.
std::string formatDefaultDateTime(DateTime value);

// "d/m/yyyy" with an optional time "h:m" or "h:m:s" after blanks; blanks around the text allowed. A year
// of one or two digits means 2000 + yy below 50 and 1900 + yy from 50 on. Invalid dates and times, and
// anything else in the text, give nullopt.
std::optional<DateTime> parseDateTime(std::string_view text);

// "h:m" or "h:m:s", blanks around allowed: the time since midnight.
std::optional<std::chrono::milliseconds> parseTimeOfDay(std::string_view text);

// The number scaledValue × 10^scale (scale as a database NUMERIC delivers it), rounded half away from
// zero to `decimals` places: "," before the decimals, "." between thousands when grouping, a leading
// "-" for negatives but never for a value that rounds to zero, at least one integer digit.
std::string formatFixed(std::int64_t scaledValue, int scale, int decimals, bool groupThousands);

// As formatFixed, from the value's 15 significant digits (the precision a double holds reliably), so
// that 2.675 rounds to "2,68" as it reads.
std::string formatDouble(double value, int decimals, bool groupThousands);

// Brazilian number text: optional sign, digits with "." between groups of three, optional "," and
// decimals ("1.234,56", "-0,5", "10"); blanks around allowed.
std::optional<double> parseNumber(std::string_view text);

// A money value with the mask "###,###,##0.00": two decimals, thousands grouped.
std::string formatMoneyMask(std::int64_t scaledValue, int scale);

}  // namespace velmora
