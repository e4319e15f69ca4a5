#include "common/ptbr_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace velmora {

namespace {

using namespace std::chrono;

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool isLetter(char c) { return lowerAscii(c) >= 'a' && lowerAscii(c) <= 'z'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isBlank(char c) { return c == ' ' || c == '\t'; }

void appendNumber(std::string& out, unsigned value, std::size_t width) {
    const std::string digits = std::to_string(value);
    if (digits.size() < width) {
        out.append(width - digits.size(), '0');
    }
    out += digits;
}

[[noreturn]] void unsupportedPattern(std::string_view pattern) {
    throw std::invalid_argument("Formato de data não suportado: " + std::string(pattern));
}

// The next token letter after position `from`, skipping separators; quoted text ends the search.
char nextLetter(std::string_view pattern, std::size_t from) {
    for (std::size_t i = from; i < pattern.size(); ++i) {
        if (pattern[i] == '"' || pattern[i] == '\'') {
            return 0;
        }
        if (isLetter(pattern[i])) {
            return lowerAscii(pattern[i]);
        }
    }
    return 0;
}

bool startsTwelveHourMarker(std::string_view rest) {
    std::string lower;
    for (char c : rest.substr(0, 5)) {
        lower += lowerAscii(c);
    }
    return lower.starts_with("am/pm") || lower.starts_with("a/p") || lower.starts_with("ampm");
}

class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    bool skipBlanks() {
        const std::size_t start = position_;
        while (position_ < text_.size() && isBlank(text_[position_])) {
            ++position_;
        }
        return position_ > start;
    }
    bool atEnd() const { return position_ == text_.size(); }
    bool consume(char c) {
        if (position_ < text_.size() && text_[position_] == c) {
            ++position_;
            return true;
        }
        return false;
    }
    // A run of 1 to maxDigits digits; digitCount receives its length.
    std::optional<unsigned> number(std::size_t maxDigits, std::size_t* digitCount = nullptr) {
        const std::size_t start = position_;
        unsigned value = 0;
        while (position_ < text_.size() && isDigit(text_[position_]) && position_ - start < maxDigits) {
            value = value * 10 + static_cast<unsigned>(text_[position_] - '0');
            ++position_;
        }
        const std::size_t count = position_ - start;
        if (count == 0 || (position_ < text_.size() && isDigit(text_[position_]))) {
            return std::nullopt;
        }
        if (digitCount != nullptr) {
            *digitCount = count;
        }
        return value;
    }

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

std::optional<milliseconds> scanTime(Scanner& scanner) {
    const auto hour = scanner.number(2);
    if (!hour || !scanner.consume(':')) {
        return std::nullopt;
    }
    const auto minute = scanner.number(2);
    std::optional<unsigned> second = 0;
    if (minute && scanner.consume(':')) {
        second = scanner.number(2);
    }
    if (!minute || !second || *hour > 23 || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    return hours{*hour} + minutes{*minute} + seconds{*second};
}

// `digits` read with the decimal point after the first `pointPosition` of them (which may lie outside
// them), rounded half away from zero and written in Brazilian notation.
std::string formatDigits(std::string_view digits, long pointPosition, bool negative, int decimals,
                         bool groupThousands) {
    if (decimals < 0) {
        throw std::invalid_argument("Número de casas decimais negativo");
    }
    const auto places = static_cast<std::size_t>(decimals);
    std::string integer;
    std::string fraction;
    if (pointPosition <= 0) {
        integer = "0";
        fraction = std::string(static_cast<std::size_t>(-pointPosition), '0') + std::string(digits);
    } else if (static_cast<std::size_t>(pointPosition) >= digits.size()) {
        integer = std::string(digits) + std::string(static_cast<std::size_t>(pointPosition) - digits.size(), '0');
    } else {
        integer = digits.substr(0, static_cast<std::size_t>(pointPosition));
        fraction = digits.substr(static_cast<std::size_t>(pointPosition));
    }
    const bool roundUp = fraction.size() > places && fraction[places] >= '5';
    fraction.resize(places, '0');

    std::string all = integer + fraction;
    if (roundUp) {
        std::size_t i = all.size();
        while (i > 0 && all[i - 1] == '9') {
            all[--i] = '0';
        }
        if (i == 0) {
            all.insert(all.begin(), '1');
        } else {
            ++all[i - 1];
        }
    }
    const bool zero = all.find_first_not_of('0') == std::string::npos;

    integer = all.substr(0, all.size() - places);
    fraction = all.substr(all.size() - places);
    const std::size_t firstSignificant = integer.find_first_not_of('0');
    integer.erase(0, firstSignificant == std::string::npos ? integer.size() - 1 : firstSignificant);

    std::string out = negative && !zero ? "-" : "";
    for (std::size_t i = 0; i < integer.size(); ++i) {
        if (groupThousands && i > 0 && (integer.size() - i) % 3 == 0) {
            out += '.';
        }
        out += integer[i];
    }
    if (places > 0) {
        out += ',';
        out += fraction;
    }
    return out;
}

}  // namespace

std::string formatDateTime(DateTime value, std::string_view pattern) {
    const DateTimeParts parts = splitDateTime(value);
    std::string out;
    char lastToken = 0;  // an "m" right after an hour token means minutes
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '"' || c == '\'') {
            const std::size_t close = pattern.find(c, i + 1);
            const std::size_t end = close == std::string_view::npos ? pattern.size() : close;
            out += pattern.substr(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (!isLetter(c)) {
            out += c;  // "/" and ":" are the Brazilian separators themselves
            ++i;
            continue;
        }
        char token = lowerAscii(c);
        std::size_t count = 1;
        while (i + count < pattern.size() && lowerAscii(pattern[i + count]) == token) {
            ++count;
        }
        const std::size_t wide = count >= 2 ? 2 : 1;
        switch (token) {
        case 'd':
            if (count > 2) {
                unsupportedPattern(pattern);
            }
            appendNumber(out, parts.day, wide);
            break;
        case 'm':
            if (count > 2) {
                unsupportedPattern(pattern);
            }
            if (lastToken == 'h' || nextLetter(pattern, i + count) == 's') {
                token = 'n';
                appendNumber(out, parts.minute, wide);
            } else {
                appendNumber(out, parts.month, wide);
            }
            break;
        case 'n':
            appendNumber(out, parts.minute, wide);
            break;
        case 'y':
            if (count <= 2) {
                appendNumber(out, static_cast<unsigned>(parts.year % 100), 2);
            } else {
                appendNumber(out, static_cast<unsigned>(parts.year), 4);
            }
            break;
        case 'h':
            appendNumber(out, parts.hour, wide);
            break;
        case 's':
            appendNumber(out, parts.second, wide);
            break;
        case 'z':
            appendNumber(out, parts.millisecond, count >= 2 ? 3 : 1);
            break;
        case 'c':
            out += formatDefaultDateTime(value);
            break;
        case 't':
            out += formatDateTime(value, count >= 2 ? "hh:nn:ss" : "hh:nn");
            break;
        case 'a':
            if (startsTwelveHourMarker(pattern.substr(i))) {
                unsupportedPattern(pattern);
            }
            out += pattern.substr(i, count);
            break;
        case 'e':
        case 'g':
            unsupportedPattern(pattern);
        default:
            out += pattern.substr(i, count);
            break;
        }
        lastToken = token;
        i += count;
    }
    return out;
}

std::string formatDefaultDateTime(DateTime value) {
    const bool midnight = value == atMidnight(dateOf(value));
    return formatDateTime(value, midnight ? "dd/mm/yyyy" : "dd/mm/yyyy hh:nn:ss");
}

std::optional<DateTime> parseDateTime(std::string_view text) {
    Scanner scanner(text);
    scanner.skipBlanks();
    std::size_t yearDigits = 0;
    const auto day = scanner.number(2);
    const auto month = scanner.consume('/') ? scanner.number(2) : std::nullopt;
    const auto year = scanner.consume('/') ? scanner.number(4, &yearDigits) : std::nullopt;
    if (!day || !month || !year) {
        return std::nullopt;
    }
    int fullYear = static_cast<int>(*year);
    if (yearDigits <= 2) {
        fullYear += fullYear < 50 ? 2000 : 1900;
    }
    const year_month_day date{std::chrono::year{fullYear}, std::chrono::month{*month}, std::chrono::day{*day}};
    if (fullYear < 1 || !date.ok()) {
        return std::nullopt;
    }
    DateTime result = atMidnight(local_days{date});
    const bool blankAfterDate = scanner.skipBlanks();
    if (!scanner.atEnd()) {
        const auto time = blankAfterDate ? scanTime(scanner) : std::nullopt;
        scanner.skipBlanks();
        if (!time || !scanner.atEnd()) {
            return std::nullopt;
        }
        result += *time;
    }
    return result;
}

std::optional<milliseconds> parseTimeOfDay(std::string_view text) {
    Scanner scanner(text);
    scanner.skipBlanks();
    const auto time = scanTime(scanner);
    scanner.skipBlanks();
    if (!time || !scanner.atEnd()) {
        return std::nullopt;
    }
    return time;
}

std::string formatFixed(std::int64_t scaledValue, int scale, int decimals, bool groupThousands) {
    // The magnitude in unsigned arithmetic, so that the most negative value has one too.
    const auto bits = static_cast<std::uint64_t>(scaledValue);
    const std::uint64_t magnitude = scaledValue < 0 ? std::uint64_t{0} - bits : bits;
    const std::string digits = std::to_string(magnitude);
    return formatDigits(digits, static_cast<long>(digits.size()) + scale, scaledValue < 0, decimals, groupThousands);
}

std::string formatDouble(double value, int decimals, bool groupThousands) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-INF" : "INF";
    }
    char text[32];  // d.dddddddddddddde+ddd
    std::snprintf(text, sizeof text, "%.14e", std::fabs(value));
    const std::string_view scientific(text);
    const std::size_t exponentAt = scientific.find('e');
    std::string digits;
    digits += scientific[0];
    digits += scientific.substr(2, exponentAt - 2);
    std::string_view exponentText = scientific.substr(exponentAt + 1);
    if (exponentText.front() == '+') {
        exponentText.remove_prefix(1);
    }
    int exponent = 0;
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
    return formatDigits(digits, exponent + 1L, std::signbit(value), decimals, groupThousands);
}

std::optional<double> parseNumber(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first])) {
        ++first;
    }
    while (last > first && isBlank(text[last - 1])) {
        --last;
    }
    text = text.substr(first, last - first);

    std::string plain;  // the number in the notation from_chars reads
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        if (text.front() == '-') {
            plain += '-';
        }
        text.remove_prefix(1);
    }
    std::size_t digitCount = 0;
    std::size_t group = 0;  // digits since the last thousands separator
    bool grouped = false;
    while (!text.empty() && (isDigit(text.front()) || text.front() == '.')) {
        if (text.front() == '.') {
            if (group == 0 || group > 3 || (grouped && group != 3)) {
                return std::nullopt;
            }
            grouped = true;
            group = 0;
        } else {
            plain += text.front();
            ++group;
            ++digitCount;
        }
        text.remove_prefix(1);
    }
    if (grouped && group != 3) {
        return std::nullopt;
    }
    if (!text.empty() && text.front() == ',') {
        plain += '.';
        text.remove_prefix(1);
        while (!text.empty() && isDigit(text.front())) {
            plain += text.front();
            ++digitCount;
            text.remove_prefix(1);
        }
    }
    if (!text.empty() || digitCount == 0) {
        return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error != std::errc() || end != plain.data() + plain.size()) {
        return std::nullopt;
    }
    return value;
}

std::string formatMoneyMask(std::int64_t scaledValue, int scale) { return formatFixed(scaledValue, scale, 2, true); }

}  // namespace velmora
