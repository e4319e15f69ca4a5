#pragma once

#include <optional>
#include <string>

namespace velmora {

// The status word shown for each code of setStatus; nothing for an unknown code.
std::optional<std::string> statusWordFor(unsigned code);

}  // namespace velmora
