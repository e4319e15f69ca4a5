#include "reports/text_width.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace velmora {

namespace {

// Advance widths of Calibri in font units (2048 per em) for the printable ASCII characters; a digit is 1038.
constexpr std::array<std::uint16_t, 95> kAsciiAdvance = {
    463,  548,  821,  1038, 1036, 1470, 1402, 452,  621,  621,  1020, 1020, 511,  627,  517,  791,   // ' ' to '/'
    1038, 1038, 1038, 1038, 1038, 1038, 1038, 1038, 1038, 1038,                                      // '0' to '9'
    548,  548,  1020, 1020, 1020, 941,  1831,                                                        // ':' to '@'
    1185, 1114, 1092, 1260, 1000, 941,  1292, 1276, 516,  653,  1064, 861,  1751,                    // 'A' to 'M'
    1322, 1356, 1058, 1378, 1112, 941,  998,  1314, 1162, 1822, 1063, 998,  959,                     // 'N' to 'Z'
    628,  791,  628,  1020, 1020, 598,                                                               // '[' to '`'
    981,  1076, 866,  1076, 1019, 625,  964,  1076, 470,  490,  931,  470,  1636,                    // 'a' to 'm'
    1076, 1080, 1076, 1076, 714,  801,  686,  1076, 925,  1464, 887,  927,  809,                     // 'n' to 'z'
    639,  941,  639,  1020,                                                                          // '{' to '~'
};
constexpr double kDigitAdvance = 1038.0;

// Accented Latin-1 letters are as wide as their base letter (U+00C0 to U+00FF).
constexpr std::string_view kLatin1Base =
    "AAAAAAACEEEEIIIIDNOOOOO*OUUUUYPs"
    "aaaaaaaceeeeiiiidnooooo/ouuuuypy";

double advanceOf(char32_t code) {
    if (code >= 0x20 && code < 0x7F) {
        return kAsciiAdvance[code - 0x20];
    }
    if (code >= 0xC0 && code <= 0xFF) {
        const char base = kLatin1Base[code - 0xC0];
        return kAsciiAdvance[static_cast<unsigned char>(base) - 0x20];
    }
    if (code < 0x20) {
        return 0.0;
    }
    // East Asian ideographs and kana take a full em; anything else counts as a digit.
    if ((code >= 0x2E80 && code <= 0x9FFF) || (code >= 0xAC00 && code <= 0xD7AF) || (code >= 0xF900 && code <= 0xFAFF) ||
        (code >= 0xFF00 && code <= 0xFF60)) {
        return 2048.0;
    }
    return kDigitAdvance;
}

}  // namespace

double textWidth(std::string_view utf8, bool bold) {
    double total = 0.0;
    double line = 0.0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        char32_t code = lead;
        std::size_t length = 1;
        if (lead >= 0xF0) {
            code = lead & 0x07u;
            length = 4;
        } else if (lead >= 0xE0) {
            code = lead & 0x0Fu;
            length = 3;
        } else if (lead >= 0xC0) {
            code = lead & 0x1Fu;
            length = 2;
        }
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3Fu);
        }
        i += length;
        // A cell shows each line of a text on its own; the widest line counts.
        if (code == '\n') {
            total = std::max(total, line);
            line = 0.0;
            continue;
        }
        line += advanceOf(code);
    }
    total = std::max(total, line) / kDigitAdvance;
    return bold ? total * kBoldFactor : total;
}

}  // namespace velmora
