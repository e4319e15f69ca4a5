#pragma once

#include <cstddef>
#include <string_view>

namespace velmora::utf8 {

// The five bytes that Windows-1252 leaves undefined; Windows maps them to the control characters of the same
// number, and so do we.
inline bool isUndefinedInWindows1252(char32_t codePoint) {
    return codePoint == 0x81 || codePoint == 0x8D || codePoint == 0x8F || codePoint == 0x90 || codePoint == 0x9D;
}

// Length of the well-formed UTF-8 sequence at the start of text (0 if there is none) and its code point.
inline std::size_t sequenceLength(std::string_view text, char32_t& codePoint) {
    if (text.empty()) {
        return 0;
    }
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
    } else {
        return 0;
    }
    codePoint = lead & (0x7F >> length);
    if (text.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
    if (codePoint < minimum || surrogate || codePoint > 0x10FFFF) {
        return 0;
    }
    return length;
}

}  // namespace velmora::utf8
