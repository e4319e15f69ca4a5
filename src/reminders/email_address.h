#pragma once

#include <string>
#include <string_view>

namespace velmora {

// Checks an e-mail field that may hold several addresses separated by ";", "," or blanks. Answers "ERRO"
// when an address is malformed, else how many addresses it holds ("0" for an empty field).
std::string checkEmailField(std::string_view field);

// Non-overlapping occurrences of `sought` in `text`; 0 when either is empty.
int countOccurrences(std::string_view sought, std::string_view text);

// Leading and trailing blanks and control characters removed.
std::string trimmedControls(std::string_view text);

}  // namespace velmora
