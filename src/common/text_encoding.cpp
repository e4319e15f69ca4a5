#include "common/text_encoding.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace velmora {

namespace {

constexpr std::string_view replacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

class IconvDescriptor {
public:
    IconvDescriptor(const char* to, const char* from) : descriptor_(iconv_open(to, from)) {
        if (descriptor_ == invalid()) {
            throw std::runtime_error(std::string("iconv não converte de ") + from + " para " + to + ": " +
                                     std::strerror(errno));
        }
    }
    ~IconvDescriptor() { iconv_close(descriptor_); }
    IconvDescriptor(const IconvDescriptor&) = delete;
    IconvDescriptor& operator=(const IconvDescriptor&) = delete;

    iconv_t get() const { return descriptor_; }

private:
    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }
    iconv_t descriptor_;
};

// iconv stops at the first unit it cannot convert; onError appends a substitute for the unit at the start
// of the rest and tells how many bytes it stands for, so the conversion never fails on content.
template <typename OnError>
std::string convert(const char* to, const char* from, std::string_view input, OnError onError) {
    IconvDescriptor descriptor(to, from);
    std::string output;
    output.reserve(input.size() + input.size() / 4);
    std::array<char, 4096> buffer;
    while (!input.empty()) {
        char* in = const_cast<char*>(input.data());  // iconv's signature predates const
        std::size_t inLeft = input.size();
        char* out = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t result = iconv(descriptor.get(), &in, &inLeft, &out, &outLeft);
        const int error = errno;
        output.append(buffer.data(), out);
        input.remove_prefix(input.size() - inLeft);
        if (result != static_cast<std::size_t>(-1) || error == E2BIG) {
            continue;
        }
        if (error != EILSEQ && error != EINVAL) {
            throw std::runtime_error(std::string("Falha na conversão de texto: ") + std::strerror(error));
        }
        const std::size_t skipped = onError(input, output);
        input.remove_prefix(std::clamp<std::size_t>(skipped, 1, input.size()));
    }
    return output;
}

bool isUndefinedInWindows1252(char32_t codePoint) {
    return codePoint == 0x81 || codePoint == 0x8D || codePoint == 0x8F || codePoint == 0x90 || codePoint == 0x9D;
}

// Length of the well-formed UTF-8 sequence at the start of text (0 if there is none) and its code point.
std::size_t utf8SequenceLength(std::string_view text, char32_t& codePoint) {
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

std::string sanitizeUtf8(std::string_view text) {
    std::string output;
    output.reserve(text.size());
    while (!text.empty()) {
        char32_t codePoint = 0;
        const std::size_t length = utf8SequenceLength(text, codePoint);
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

std::string utf16ToUtf8(const char* encoding, std::string_view bytes) {
    return convert("UTF-8", encoding, bytes, [](std::string_view rest, std::string& output) {
        output += replacementCharacter;
        return std::min<std::size_t>(2, rest.size());
    });
}

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

std::string utf8ToWindows1252(std::string_view utf8) {
    return convert("WINDOWS-1252", "UTF-8", utf8, [](std::string_view rest, std::string& output) {
        char32_t codePoint = 0;
        const std::size_t length = utf8SequenceLength(rest, codePoint);
        if (length == 0) {
            output += '?';
            return std::size_t{1};
        }
        output += isUndefinedInWindows1252(codePoint) ? static_cast<char>(codePoint) : '?';
        return length;
    });
}

std::string windows1252ToUtf8(std::string_view bytes) {
    return convert("UTF-8", "WINDOWS-1252", bytes, [](std::string_view rest, std::string& output) {
        const auto byte = static_cast<unsigned char>(rest[0]);
        if (isUndefinedInWindows1252(byte)) {
            output += static_cast<char>(0xC2);
            output += static_cast<char>(byte);
        } else {
            output += replacementCharacter;
        }
        return std::size_t{1};
    });
}

std::string decodeText(std::string_view bytes) {
    if (startsWith(bytes, "\xEF\xBB\xBF")) {
        return sanitizeUtf8(bytes.substr(3));
    }
    if (startsWith(bytes, "\xFF\xFE")) {
        return utf16ToUtf8("UTF-16LE", bytes.substr(2));
    }
    if (startsWith(bytes, "\xFE\xFF")) {
        return utf16ToUtf8("UTF-16BE", bytes.substr(2));
    }
    return windows1252ToUtf8(bytes);
}

bool isValidUtf8(std::string_view text) {
    while (!text.empty()) {
        char32_t codePoint = 0;
        const std::size_t length = utf8SequenceLength(text, codePoint);
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
