#pragma once

#include <string>

#include "common/result_set.h"

namespace velmora {

// A currency value (four decimals) as the ERP shows it in text: decimal comma, no thousands separator, no trailing
// zeros ("10,5", "1234", "-0,25", "0").
std::string currencyText(ScaledInteger value);

}  // namespace velmora
