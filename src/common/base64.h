#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// Standard base64 with padding.
std::string base64Encoded(std::string_view bytes);
// None for text that is not base64; padding may be left out.
std::optional<std::string> base64Decoded(std::string_view text);

}  // namespace velmora
