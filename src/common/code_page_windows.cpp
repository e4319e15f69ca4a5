#include "common/code_page.h"

#include <windows.h>

#include <array>
#include <unordered_map>

#include "common/utf8_sequence.h"

namespace velmora::codepage {

namespace {

constexpr UINT kWindows1252 = 1252;
constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

// UTF-16 of each byte, as the system's table gives it; the system maps the five undefined bytes to the control
// characters of the same number.
const std::array<wchar_t, 256>& windows1252Table() {
    static const std::array<wchar_t, 256> table = [] {
        std::array<wchar_t, 256> units{};
        for (int byte = 0; byte < 256; ++byte) {
            const char in = static_cast<char>(byte);
            wchar_t out = 0xFFFD;
            ::MultiByteToWideChar(kWindows1252, 0, &in, 1, &out, 1);
            units[static_cast<std::size_t>(byte)] = out;
        }
        return units;
    }();
    return table;
}

const std::unordered_map<char32_t, char>& windows1252Bytes() {
    static const std::unordered_map<char32_t, char> bytes = [] {
        std::unordered_map<char32_t, char> map;
        const auto& table = windows1252Table();
        for (int byte = 0; byte < 256; ++byte) {
            map.emplace(table[static_cast<std::size_t>(byte)], static_cast<char>(byte));
        }
        return map;
    }();
    return bytes;
}

void appendUtf8(std::string& output, char32_t codePoint) {
    if (codePoint < 0x80) {
        output += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        output += static_cast<char>(0xC0 | (codePoint >> 6));
        output += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        output += static_cast<char>(0xE0 | (codePoint >> 12));
        output += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        output += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        output += static_cast<char>(0xF0 | (codePoint >> 18));
        output += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        output += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        output += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

}  // namespace

std::string utf8ToWindows1252(std::string_view utf8) {
    const auto& bytes = windows1252Bytes();
    std::string output;
    output.reserve(utf8.size());
    while (!utf8.empty()) {
        char32_t codePoint = 0;
        const std::size_t length = utf8::sequenceLength(utf8, codePoint);
        if (length == 0) {
            output += '?';
            utf8.remove_prefix(1);
            continue;
        }
        const auto found = bytes.find(codePoint);
        output += found != bytes.end() ? found->second : '?';
        utf8.remove_prefix(length);
    }
    return output;
}

std::string windows1252ToUtf8(std::string_view bytes) {
    const auto& table = windows1252Table();
    std::string output;
    output.reserve(bytes.size() + bytes.size() / 4);
    for (const char byte : bytes) {
        appendUtf8(output, table[static_cast<unsigned char>(byte)]);
    }
    return output;
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string output;
    output.reserve(bytes.size());
    const auto unitAt = [&](std::size_t offset) -> char32_t {
        const auto first = static_cast<unsigned char>(bytes[offset]);
        const auto second = static_cast<unsigned char>(bytes[offset + 1]);
        return bigEndian ? (first << 8) | second : (second << 8) | first;
    };
    std::size_t offset = 0;
    while (offset + 1 < bytes.size()) {
        const char32_t unit = unitAt(offset);
        offset += 2;
        if (unit >= 0xD800 && unit <= 0xDBFF && offset + 1 < bytes.size()) {
            const char32_t low = unitAt(offset);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                offset += 2;
                appendUtf8(output, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                continue;
            }
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            output += replacementCharacter;
        } else {
            appendUtf8(output, unit);
        }
    }
    if (offset < bytes.size()) {
        output += replacementCharacter;  // an odd byte at the end
    }
    return output;
}

}  // namespace velmora::codepage
