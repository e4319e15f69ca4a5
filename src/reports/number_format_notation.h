#pragma once

#include <string>
#include <string_view>

namespace velmora {

// A number format in Brazilian notation ("###.##0,00") as the file stores it, in invariant notation
// ("###,##0.00"): full stop and comma swap places, except inside quoted text and in characters taken
// literally after "\", "_" or "*".
std::string invariantNumberFormat(std::string_view brazilian);

}  // namespace velmora
