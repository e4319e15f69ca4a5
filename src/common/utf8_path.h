#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

// Text is UTF-8 inside the program. A path made straight from a std::string takes the system's narrow code page
// on Windows (not UTF-8), so folders with accents would not be found; every path made from text, and every text
// made from a path, goes through these two.
inline std::filesystem::path utf8Path(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string utf8Text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace velmora
