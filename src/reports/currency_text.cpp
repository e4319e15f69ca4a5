#include "reports/currency_text.h"

#include "common/ptbr_format.h"

namespace velmora {

std::string currencyText(ScaledInteger value) {
    constexpr int kDecimals = 4;
    std::string text = formatFixed(value.rescaled(kDecimals), -kDecimals, kDecimals, false);
    while (text.back() == '0') {
        text.pop_back();
    }
    if (text.back() == ',') {
        text.pop_back();
    }
    return text;
}

}  // namespace velmora
