#include "common/code_page.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "common/utf8_sequence.h"

namespace velmora::codepage {

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

}  // namespace

std::string utf8ToWindows1252(std::string_view utf8) {
    return convert("WINDOWS-1252", "UTF-8", utf8, [](std::string_view rest, std::string& output) {
        char32_t codePoint = 0;
        const std::size_t length = utf8::sequenceLength(rest, codePoint);
        if (length == 0) {
            output += '?';
            return std::size_t{1};
        }
        output += utf8::isUndefinedInWindows1252(codePoint) ? static_cast<char>(codePoint) : '?';
        return length;
    });
}

namespace {

// Each byte's UTF-8, converted once: a text cell then decodes by table, without a converter of its own (a large
// workbook has millions of them).
const std::array<std::string, 256>& windows1252Utf8() {
    static const std::array<std::string, 256> table = [] {
        const auto undefinedByte = [](std::string_view rest, std::string& output) {
            const auto byte = static_cast<unsigned char>(rest[0]);
            if (utf8::isUndefinedInWindows1252(byte)) {
                output += static_cast<char>(0xC2);
                output += static_cast<char>(byte);
            } else {
                output += replacementCharacter;
            }
            return std::size_t{1};
        };
        std::array<std::string, 256> utf8;
        for (int byte = 0; byte < 256; ++byte) {
            const char in = static_cast<char>(byte);
            utf8[static_cast<std::size_t>(byte)] =
                convert("UTF-8", "WINDOWS-1252", std::string_view(&in, 1), undefinedByte);
        }
        return utf8;
    }();
    return table;
}

}  // namespace

std::string windows1252ToUtf8(std::string_view bytes) {
    const auto& table = windows1252Utf8();
    std::string output;
    output.reserve(bytes.size() + bytes.size() / 4);
    for (const char byte : bytes) {
        output += table[static_cast<unsigned char>(byte)];
    }
    return output;
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    return convert("UTF-8", bigEndian ? "UTF-16BE" : "UTF-16LE", bytes, [](std::string_view rest, std::string& output) {
        output += replacementCharacter;
        return std::min<std::size_t>(2, rest.size());
    });
}

}  // namespace velmora::codepage
