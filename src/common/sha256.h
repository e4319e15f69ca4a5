#pragma once

#include <array>
#include <string_view>

namespace velmora {

// SHA-256 of the bytes, from the system's own cryptography (OpenSSL on Linux, CNG on Windows).
std::array<unsigned char, 32> sha256(std::string_view bytes);

}  // namespace velmora
