#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The ERP hands over ids of chosen options as text; only a whole number may go into a statement. Blanks around
// the digits are allowed, anything else is not.
std::optional<std::int64_t> wholeNumber(std::string_view text);

// A column name that a catalogue row supplies and that goes into a statement unquoted: a letter followed by
// letters, digits, "_" or "$", at most 31 characters.
bool isPlainIdentifier(std::string_view name);

// Values joined by commas, without blanks, as they go inside "in(...)".
class SqlValueList {
public:
    void add(std::string_view value);
    bool empty() const { return text_.empty(); }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// Conditions joined by a connective (" or ", " and ").
class SqlConditionChain {
public:
    void add(std::string_view condition, std::string_view connective);
    bool empty() const { return text_.empty(); }
    std::size_t size() const { return count_; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
    std::size_t count_ = 0;
};

}  // namespace velmora
