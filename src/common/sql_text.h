#pragma once

#include <string>
#include <string_view>

#include "common/date_time.h"

namespace velmora {

// Statements are assembled as complete texts; every value goes in through one of these.

// 'text' with embedded quotes doubled.
std::string quotedSql(std::string_view text);
// 'dd.mm.yyyy'
std::string sqlDate(DateTime value);
// 'dd.mm.yyyy hh:mm:ss'
std::string sqlTimestamp(DateTime value);

}  // namespace velmora
