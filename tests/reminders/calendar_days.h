#pragma once

#include <chrono>
#include <string>

#include "common/date_time.h"
#include "common/ptbr_format.h"

namespace velmora::test {

inline Date day(int y, unsigned m, unsigned d) {
    return Date{std::chrono::year{y} / std::chrono::month{m} / std::chrono::day{d}};
}
// As a failing case names the day.
inline std::string text(Date value) { return formatDateTime(atMidnight(value), "dd/mm/yyyy"); }

}  // namespace velmora::test
