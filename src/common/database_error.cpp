#include "common/database_error.h"

#include <algorithm>

namespace velmora {

DatabaseError::DatabaseError(const std::string& message, std::vector<std::intptr_t> codes)
    : std::runtime_error(message), codes_(std::move(codes)) {}

bool DatabaseError::hasCode(std::intptr_t code) const {
    return std::find(codes_.begin(), codes_.end(), code) != codes_.end();
}

}  // namespace velmora
