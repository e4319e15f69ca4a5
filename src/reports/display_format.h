#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// How a cell shows its value under a number format in invariant notation, with the Brazilian regional
// settings ("," decimals, "." thousands, Portuguese month and day names). Column AutoFit measures it.
// Colours and conditions are ignored; literals between digit placeholders are shown after the number,
// which keeps the width of what is shown.
class DisplayFormat {
public:
    DisplayFormat();  // "General"
    explicit DisplayFormat(std::string_view invariantCode);
    ~DisplayFormat();
    DisplayFormat(DisplayFormat&&) noexcept;
    DisplayFormat& operator=(DisplayFormat&&) noexcept;

    // Dates and times are given as the spreadsheet's serial number (days since 30/12/1899).
    std::string showNumber(double value) const;
    std::string showText(std::string_view text) const;
    // A format without a text section shows a text as it is.
    bool showsTextUnchanged() const { return textSection_ < 0; }

    // textWidth(showNumber(value)), remembered for values that are shown alike.
    double numberWidth(double value) const;

private:
    struct Section;
    struct Choice;
    Choice choose(double value) const;

    std::vector<Section> sections_;
    int textSection_ = -1;
    mutable std::vector<double> widthCache_;
};

}  // namespace velmora
