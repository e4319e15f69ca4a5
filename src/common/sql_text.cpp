#include "common/sql_text.h"

#include "common/ptbr_format.h"
#include "common/text.h"

namespace velmora {

std::string quotedSql(std::string_view text) { return "'" + replaceAll(text, "'", "''") + "'"; }

std::string sqlDate(DateTime value) { return quotedSql(formatDateTime(value, "dd.mm.yyyy")); }

std::string sqlTimestamp(DateTime value) { return quotedSql(formatDateTime(value, "dd.mm.yyyy hh:mm:ss")); }

}  // namespace velmora
