#pragma once

#include <string>
#include <string_view>

namespace velmora::codepage {

// The conversions that need the system's character-set tables: iconv on Linux, the code-page functions on
// Windows. The rules are those of text_encoding.h; both never fail on content.
std::string utf8ToWindows1252(std::string_view utf8);
std::string windows1252ToUtf8(std::string_view bytes);
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);

}  // namespace velmora::codepage
