#pragma once

#include <optional>
#include <string>

namespace velmora {

// The status word shown for each code of DefinirSituacao; nothing for an unknown code.
std::optional<std::string> palavraSituacao(unsigned code);

}  // namespace velmora
