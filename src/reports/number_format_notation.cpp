#include "reports/number_format_notation.h"

namespace velmora {

std::string invariantNumberFormat(std::string_view brazilian) {
    std::string stored(brazilian);
    bool quoted = false;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        char& c = stored[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;  // the next character is shown as it stands
        } else if (c == '.') {
            c = ',';
        } else if (c == ',') {
            c = '.';
        }
    }
    return stored;
}

}  // namespace velmora
