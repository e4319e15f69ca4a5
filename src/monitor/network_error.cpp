#include "monitor/network_error.h"

#include <array>
#include <string_view>

#include "common/database_error.h"

namespace velmora {

bool isNetworkError(const std::exception& error) {
    static constexpr std::array<std::string_view, 3> texts = {
        "Unable to complete network request to host", "Error reading data", "unprepared dynamic SQL"};
    static constexpr std::array<std::intptr_t, 3> codes = {335544721, 335544726, 335544727};

    const std::string_view message = error.what();
    for (const auto text : texts) {
        if (message.find(text) != std::string_view::npos) {
            return true;
        }
    }
    if (const auto* databaseError = dynamic_cast<const DatabaseError*>(&error)) {
        for (const auto code : codes) {
            if (databaseError->hasCode(code)) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace velmora
