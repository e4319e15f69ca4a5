#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// Inside the program every text is UTF-8; the ERP's files and database speak Windows-1252.

// A character that Windows-1252 lacks, and every byte of invalid UTF-8, becomes "?".
std::string utf8ToWindows1252(std::string_view utf8);

// The five bytes that the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control
// characters of the same number, as Windows maps them, so that they survive a round trip.
std::string windows1252ToUtf8(std::string_view bytes);

// Text of a file: a UTF-8, UTF-16 LE or UTF-16 BE byte-order mark selects that encoding and is dropped,
// anything else is read as Windows-1252. The result is valid UTF-8; undecodable units become U+FFFD.
std::string decodeText(std::string_view bytes);

// As decodeText, except that text without a byte-order mark that is valid UTF-8 is taken as UTF-8: files that
// people edit by hand (INI files) may have been saved by a UTF-8 editor. Plain ASCII reads the same either way.
std::string decodeTextPreferringUtf8(std::string_view bytes);

bool isValidUtf8(std::string_view text);

// CR LF, LF and a lone CR end a line; a last line without a line end counts, an empty text has no lines.
std::vector<std::string> splitLines(std::string_view text);

}  // namespace velmora
