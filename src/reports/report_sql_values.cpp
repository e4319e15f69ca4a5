#include "reports/report_sql_values.h"

#include <charconv>

#include "common/text.h"

namespace velmora {

std::optional<std::int64_t> wholeNumber(std::string_view text) {
    const std::string digits = trimmed(text);
    std::int64_t value = 0;
    const char* first = digits.data();
    const char* last = first + digits.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (digits.empty() || error != std::errc() || end != last) {
        return std::nullopt;
    }
    return value;
}

bool isPlainIdentifier(std::string_view name) {
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (name.empty() || name.size() > 31 || !letter(name.front())) {
        return false;
    }
    for (const char c : name) {
        if (!letter(c) && !digit(c) && c != '_' && c != '$') {
            return false;
        }
    }
    return true;
}

void SqlValueList::add(std::string_view value) {
    if (text_.empty()) {
        text_ = value;
    } else {
        text_ += trimmed("," + std::string(value));
    }
}

void SqlConditionChain::add(std::string_view condition, std::string_view connective) {
    if (count_ > 0) {
        text_ += connective;
    }
    text_ += condition;
    ++count_;
}

}  // namespace velmora
