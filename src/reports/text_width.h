#pragma once

#include <string_view>

namespace velmora {

// Widths in the units of a spreadsheet column: the width of one digit of the default font (Calibri 11).

// Width of a UTF-8 text as the default font draws it; bold text is drawn wider.
double textWidth(std::string_view utf8, bool bold = false);

// No character is wider than this, so a text of n bytes is never wider than n times it.
constexpr double kWidestCharacter = 1.8;
constexpr double kBoldFactor = 1.07;

}  // namespace velmora
