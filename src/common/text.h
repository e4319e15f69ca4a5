#pragma once

#include <string>
#include <string_view>

namespace velmora {

// Blanks (spaces and tabs) removed at both ends.
std::string trimmed(std::string_view text);
// ASCII letters only; the ERP's identifiers and the flags the program compares are ASCII.
std::string toLowerAscii(std::string_view text);
bool equalsIgnoringCase(std::string_view a, std::string_view b);
// Every occurrence of `from`, without re-scanning what was inserted.
std::string replaceAll(std::string_view text, std::string_view from, std::string_view to);

}  // namespace velmora
