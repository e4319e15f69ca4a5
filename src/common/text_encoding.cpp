#include "common/text_encoding.h"

#include "common/code_page.h"
#include "common/utf8_sequence.h"

namespace velmora {

namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

std::string sanitizeUtf8(std::string_view text) {
    std::string output;
    output.reserve(text.size());
    while (!text.empty()) {
        char32_t codePoint = 0;
        const std::size_t length = utf8::sequenceLength(text, codePoint);
        if (length == 0) {
            output += replacementCharacter;
            text.remove_prefix(1);
        } else {
            output += text.substr(0, length);
            text.remove_prefix(length);
        }
    }
    return output;
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

std::string utf8ToWindows1252(std::string_view utf8) { return codepage::utf8ToWindows1252(utf8); }

std::string windows1252ToUtf8(std::string_view bytes) { return codepage::windows1252ToUtf8(bytes); }

std::string decodeText(std::string_view bytes) {
    if (startsWith(bytes, "\xEF\xBB\xBF")) {
        return sanitizeUtf8(bytes.substr(3));
    }
    if (startsWith(bytes, "\xFF\xFE")) {
        return codepage::utf16ToUtf8(bytes.substr(2), false);
    }
    if (startsWith(bytes, "\xFE\xFF")) {
        return codepage::utf16ToUtf8(bytes.substr(2), true);
    }
    return windows1252ToUtf8(bytes);
}

bool isValidUtf8(std::string_view text) {
    while (!text.empty()) {
        char32_t codePoint = 0;
        const std::size_t length = utf8::sequenceLength(text, codePoint);
        if (length == 0) {
            return false;
        }
        text.remove_prefix(length);
    }
    return true;
}

std::string decodeTextPreferringUtf8(std::string_view bytes) {
    if (!startsWith(bytes, "\xEF\xBB\xBF") && isValidUtf8(bytes)) {
        return std::string(bytes);
    }
    return decodeText(bytes);
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        if (end == std::string_view::npos) {
            lines.emplace_back(text);
            break;
        }
        lines.emplace_back(text.substr(0, end));
        const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crLf ? 2 : 1));
    }
    return lines;
}

}  // namespace velmora
