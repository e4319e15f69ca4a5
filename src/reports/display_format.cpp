#include "reports/display_format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "common/date_time.h"
#include "common/ptbr_format.h"
#include "common/text.h"
#include "reports/text_width.h"

namespace velmora {

namespace {

enum class TokenKind {
    Literal,
    IntegerDigits,
    Point,
    DecimalDigits,
    Exponent,
    General,
    Text,
    Year2,
    Year4,
    Month,
    Month2,
    MonthShort,
    MonthLong,
    MonthLetter,
    Day,
    Day2,
    DayShort,
    DayLong,
    Hour,
    Hour2,
    Minute,
    Minute2,
    Second,
    Second2,
    Fraction,
    AmPm,
    AP,
    ElapsedHours,
    ElapsedMinutes,
    ElapsedSeconds,
};

struct Token {
    TokenKind kind;
    std::string text;  // literal text, or the sign of an exponent
    int count = 0;     // digits of a fraction of a second
};

constexpr std::array<std::string_view, 12> kMonthShort = {"jan", "fev", "mar", "abr", "mai", "jun",
                                                          "jul", "ago", "set", "out", "nov", "dez"};
constexpr std::array<std::string_view, 12> kMonthLong = {"janeiro", "fevereiro", "março",    "abril",
                                                         "maio",    "junho",     "julho",    "agosto",
                                                         "setembro", "outubro",  "novembro", "dezembro"};
constexpr std::array<std::string_view, 7> kDayShort = {"dom", "seg", "ter", "qua", "qui", "sex", "sáb"};
constexpr std::array<std::string_view, 7> kDayLong = {"domingo",      "segunda-feira", "terça-feira", "quarta-feira",
                                                      "quinta-feira", "sexta-feira",   "sábado"};

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool startsWithIgnoringCase(std::string_view text, std::size_t at, std::string_view prefix) {
    return equalsIgnoringCase(text.substr(at, prefix.size()), prefix);
}

std::size_t codePointLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return std::min(length, text.size() - at);
}

bool isDateKind(TokenKind kind) { return kind >= TokenKind::Year2; }

std::string twoDigits(long long value) {
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

// Inserts "." between groups of three digits.
std::string grouped(const std::string& digits) {
    std::string result;
    const std::size_t count = digits.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0 && (count - i) % 3 == 0 && digits[i - 1] >= '0' && digits[i - 1] <= '9') {
            result += '.';
        }
        result += digits[i];
    }
    return result;
}

// The "General" format shows at most eleven characters, switching to scientific notation when needed.
std::string showGeneral(double value) {
    if (std::isnan(value) || std::isinf(value)) {
        return "#NUM!";
    }
    if (value == std::floor(value) && std::fabs(value) < 1e11) {
        char buffer[32];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value)).ptr;
        return std::string(buffer, end);
    }
    char buffer[64];
    for (int precision = 10; precision > 0; --precision) {
        std::snprintf(buffer, sizeof buffer, "%.*G", precision, value);
        if (std::string_view(buffer).size() <= 11) {
            break;
        }
    }
    std::string text(buffer);
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

}  // namespace

struct DisplayFormat::Section {
    enum class Kind { Number, Date, Text };

    std::vector<Token> tokens;
    Kind kind = Kind::Number;
    int integerZeros = 0;
    int integerBlanks = 0;
    bool grouping = false;
    int thousandsScale = 0;
    int percent = 0;
    bool point = false;
    std::string decimals;  // the placeholders after the point: '0', '#' or '?'
    int exponentDigits = 0;
    bool general = false;
    bool twelveHours = false;

    explicit Section(std::string_view code) { parse(code); }

    bool cacheable() const { return kind == Kind::Number && exponentDigits == 0 && !general && decimals.size() <= 15; }
    bool optionalDecimals() const { return !decimals.empty() && decimals.back() != '0'; }

    double multiplier() const {
        return std::pow(100.0, percent) / std::pow(1000.0, thousandsScale);
    }

    void parse(std::string_view code) {
        int pendingCommas = 0;
        bool sawDigit = false;
        bool inExponent = false;
        auto literal = [this](std::string_view text) {
            if (!tokens.empty() && tokens.back().kind == TokenKind::Literal) {
                tokens.back().text += text;
            } else {
                tokens.push_back({TokenKind::Literal, std::string(text)});
            }
        };
        auto add = [this](TokenKind kind) {
            if (tokens.empty() || tokens.back().kind != kind ||
                (kind != TokenKind::IntegerDigits && kind != TokenKind::DecimalDigits)) {
                tokens.push_back({kind, {}});
            }
        };
        for (std::size_t i = 0; i < code.size();) {
            const char c = code[i];
            const char l = lower(c);
            if (c == '"') {
                const std::size_t end = code.find('"', i + 1);
                literal(code.substr(i + 1, (end == std::string_view::npos ? code.size() : end) - i - 1));
                i = end == std::string_view::npos ? code.size() : end + 1;
            } else if (c == '\\' || c == '_' || c == '*') {
                if (i + 1 < code.size()) {
                    const std::size_t length = codePointLength(code, i + 1);
                    if (c == '\\') {
                        literal(code.substr(i + 1, length));
                    } else if (c == '_') {
                        literal(" ");
                    }
                    i += 1 + length;
                } else {
                    ++i;
                }
            } else if (c == '[') {
                const std::size_t end = code.find(']', i);
                const std::string_view inside =
                    code.substr(i + 1, (end == std::string_view::npos ? code.size() : end) - i - 1);
                const std::string lowered = toLowerAscii(inside);
                if (lowered == "h" || lowered == "hh") {
                    tokens.push_back({TokenKind::ElapsedHours, {}});
                } else if (lowered == "m" || lowered == "mm") {
                    tokens.push_back({TokenKind::ElapsedMinutes, {}});
                } else if (lowered == "s" || lowered == "ss") {
                    tokens.push_back({TokenKind::ElapsedSeconds, {}});
                } else if (!inside.empty() && inside.front() == '$') {
                    literal(inside.substr(1, inside.find('-') == std::string_view::npos ? std::string_view::npos
                                                                                        : inside.find('-') - 1));
                }
                i = end == std::string_view::npos ? code.size() : end + 1;
            } else if (startsWithIgnoringCase(code, i, "general")) {
                general = true;
                tokens.push_back({TokenKind::General, {}});
                i += 7;
            } else if (c == '0' || c == '#' || c == '?') {
                if (inExponent) {
                    ++exponentDigits;
                } else if (point) {
                    decimals += c;
                    add(TokenKind::DecimalDigits);
                } else {
                    if (pendingCommas > 0 && sawDigit) {
                        grouping = true;
                    }
                    pendingCommas = 0;
                    integerZeros += c == '0';
                    integerBlanks += c == '?';
                    add(TokenKind::IntegerDigits);
                }
                sawDigit = true;
                ++i;
            } else if (c == ',' && sawDigit && !inExponent) {
                ++pendingCommas;
                ++i;
            } else if (c == '.' && !point && !inExponent && !lastIsSecond()) {
                thousandsScale += pendingCommas;
                pendingCommas = 0;
                point = true;
                tokens.push_back({TokenKind::Point, {}});
                ++i;
            } else if (c == '.' && lastIsSecond() && i + 1 < code.size() && code[i + 1] == '0') {
                int zeros = 0;
                for (++i; i < code.size() && code[i] == '0'; ++i) {
                    ++zeros;
                }
                tokens.push_back({TokenKind::Fraction, {}, std::min(zeros, 3)});
            } else if (l == 'e' && sawDigit && i + 1 < code.size() && (code[i + 1] == '+' || code[i + 1] == '-')) {
                thousandsScale += pendingCommas;
                pendingCommas = 0;
                inExponent = true;
                tokens.push_back({TokenKind::Exponent, std::string(1, code[i + 1])});
                i += 2;
            } else if (c == '%') {
                ++percent;
                literal("%");
                ++i;
            } else if (c == '@') {
                tokens.push_back({TokenKind::Text, {}});
                ++i;
            } else if (startsWithIgnoringCase(code, i, "am/pm")) {
                twelveHours = true;
                tokens.push_back({TokenKind::AmPm, {}});
                i += 5;
            } else if (startsWithIgnoringCase(code, i, "a/p")) {
                twelveHours = true;
                tokens.push_back({TokenKind::AP, {}});
                i += 3;
            } else if (l == 'y' || l == 'e' || l == 'm' || l == 'd' || l == 'h' || l == 's') {
                std::size_t run = 0;
                while (i + run < code.size() && lower(code[i + run]) == l) {
                    ++run;
                }
                tokens.push_back({dateKind(l, run), {}});
                i += run;
            } else {
                const std::size_t length = codePointLength(code, i);
                literal(code.substr(i, length));
                i += length;
            }
        }
        thousandsScale += pendingCommas;
        settleKind();
    }

    bool lastIsSecond() const {
        for (auto it = tokens.rbegin(); it != tokens.rend(); ++it) {
            if (it->kind == TokenKind::Literal) {
                continue;
            }
            return it->kind == TokenKind::Second || it->kind == TokenKind::Second2 ||
                   it->kind == TokenKind::ElapsedSeconds;
        }
        return false;
    }

    static TokenKind dateKind(char letter, std::size_t run) {
        switch (letter) {
        case 'y':
        case 'e': return run <= 2 && letter == 'y' ? TokenKind::Year2 : TokenKind::Year4;
        case 'm':
            return run == 1   ? TokenKind::Month
                   : run == 2 ? TokenKind::Month2
                   : run == 3 ? TokenKind::MonthShort
                   : run == 4 ? TokenKind::MonthLong
                              : TokenKind::MonthLetter;
        case 'd':
            return run == 1 ? TokenKind::Day : run == 2 ? TokenKind::Day2 : run == 3 ? TokenKind::DayShort : TokenKind::DayLong;
        case 'h': return run == 1 ? TokenKind::Hour : TokenKind::Hour2;
        default: return run == 1 ? TokenKind::Second : TokenKind::Second2;
        }
    }

    void settleKind() {
        bool date = false;
        bool text = false;
        bool number = general;
        for (const Token& token : tokens) {
            date = date || isDateKind(token.kind);
            text = text || token.kind == TokenKind::Text;
            number = number || token.kind == TokenKind::IntegerDigits || token.kind == TokenKind::DecimalDigits;
        }
        if (date) {
            kind = Kind::Date;
            markMinutes();
        } else if (text && !number) {
            kind = Kind::Text;
        }
    }

    // "m" right after hours or right before seconds means minutes.
    void markMinutes() {
        auto neighbour = [this](std::size_t from, int step) -> const Token* {
            for (auto k = static_cast<std::ptrdiff_t>(from) + step; k >= 0 && k < static_cast<std::ptrdiff_t>(tokens.size());
                 k += step) {
                if (tokens[static_cast<std::size_t>(k)].kind != TokenKind::Literal) {
                    return &tokens[static_cast<std::size_t>(k)];
                }
            }
            return nullptr;
        };
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            Token& token = tokens[i];
            if (token.kind != TokenKind::Month && token.kind != TokenKind::Month2) {
                continue;
            }
            const Token* before = neighbour(i, -1);
            const Token* after = neighbour(i, 1);
            const bool afterHour = before && (before->kind == TokenKind::Hour || before->kind == TokenKind::Hour2 ||
                                              before->kind == TokenKind::ElapsedHours);
            const bool beforeSecond = after && (after->kind == TokenKind::Second || after->kind == TokenKind::Second2 ||
                                                after->kind == TokenKind::ElapsedSeconds);
            if (afterHour || beforeSecond) {
                token.kind = token.kind == TokenKind::Month ? TokenKind::Minute : TokenKind::Minute2;
            }
        }
    }

    std::string showNumber(double magnitude, bool minus) const {
        if (kind == Kind::Date) {
            return showDate(magnitude, minus);
        }
        const double value = magnitude * multiplier();
        std::string integerPart;
        std::string fraction;
        std::string exponent;
        if (exponentDigits > 0) {
            splitScientific(value, integerPart, fraction, exponent);
        } else {
            splitFixed(value, decimals.size(), integerPart, fraction);
        }
        if (integerPart == "0") {
            integerPart.clear();
        }
        const auto width = static_cast<std::size_t>(integerZeros + integerBlanks);
        while (integerPart.size() < static_cast<std::size_t>(integerZeros)) {
            integerPart.insert(integerPart.begin(), '0');
        }
        while (integerPart.size() < width) {
            integerPart.insert(integerPart.begin(), ' ');
        }
        if (grouping) {
            integerPart = grouped(integerPart);
        }
        for (std::size_t k = fraction.size(); k-- > 0 && fraction[k] == '0' && decimals[k] != '0';) {
            if (decimals[k] == '#') {
                fraction.pop_back();
            } else {
                fraction[k] = ' ';
            }
        }
        std::string shown = minus ? "-" : "";
        bool integerDone = false;
        bool fractionDone = false;
        for (const Token& token : tokens) {
            switch (token.kind) {
            case TokenKind::Literal: shown += token.text; break;
            case TokenKind::IntegerDigits:
                if (!integerDone) {
                    shown += integerPart;
                    integerDone = true;
                }
                break;
            case TokenKind::Point:
                // A format without integer placeholders still shows the integer part.
                if (!integerDone) {
                    shown += integerPart;
                    integerDone = true;
                }
                shown += ',';
                break;
            case TokenKind::DecimalDigits:
                if (!fractionDone) {
                    shown += fraction;
                    fractionDone = true;
                }
                break;
            case TokenKind::Exponent: shown += "E" + exponent; break;
            case TokenKind::General: shown += showGeneral(magnitude); break;
            default: break;
            }
        }
        return shown;
    }

    // Rounded half away from zero from 15 significant digits, as the spreadsheet shows numbers.
    static void splitFixed(double value, std::size_t places, std::string& integerPart, std::string& fraction) {
        const std::string text = formatDouble(value, static_cast<int>(places), false);
        const std::size_t comma = text.find(',');
        integerPart = text.substr(0, comma);
        fraction = comma == std::string::npos ? std::string() : text.substr(comma + 1);
    }

    void splitScientific(double value, std::string& integerPart, std::string& fraction, std::string& exponent) const {
        const int integerDigits = std::max(1, integerZeros + integerBlanks);
        int power = value > 0 ? static_cast<int>(std::floor(std::log10(value))) - (integerDigits - 1) : 0;
        double mantissa = value / std::pow(10.0, power);
        splitFixed(mantissa, decimals.size(), integerPart, fraction);
        if (integerPart.size() > static_cast<std::size_t>(integerDigits)) {
            ++power;
            mantissa = value / std::pow(10.0, power);
            splitFixed(mantissa, decimals.size(), integerPart, fraction);
        }
        std::string digits = std::to_string(std::abs(power));
        while (digits.size() < static_cast<std::size_t>(exponentDigits)) {
            digits.insert(digits.begin(), '0');
        }
        const bool negativePower = power < 0;
        const std::string sign = negativePower ? "-" : (tokensSign() == "+" ? "+" : "");
        exponent = sign + digits;
    }

    std::string tokensSign() const {
        for (const Token& token : tokens) {
            if (token.kind == TokenKind::Exponent) {
                return token.text;
            }
        }
        return "+";
    }

    std::string showDate(double serial, bool minus) const {
        if (minus || !(serial < 2958466.0)) {
            return "########";  // no date to show: negative or past the year 9999
        }
        using namespace std::chrono;
        const double whole = std::floor(serial);
        const auto milliseconds_ = static_cast<long long>(std::llround((serial - whole) * 86400000.0));
        const DateTime moment = emptyDateTime() + days{static_cast<long long>(whole)} + milliseconds{milliseconds_};
        const DateTimeParts parts = splitDateTime(moment);
        const auto weekday = static_cast<std::size_t>(std::chrono::weekday{dateOf(moment)}.c_encoding());
        const double totalSeconds = std::floor(serial * 86400.0 + 0.0005);
        unsigned hour = parts.hour;
        if (twelveHours) {
            hour = hour % 12 == 0 ? 12 : hour % 12;
        }
        std::string shown;
        for (const Token& token : tokens) {
            switch (token.kind) {
            case TokenKind::Literal: shown += token.text; break;
            case TokenKind::Point: shown += '.'; break;
            case TokenKind::Year2: shown += twoDigits(parts.year % 100); break;
            case TokenKind::Year4: shown += std::to_string(parts.year); break;
            case TokenKind::Month: shown += std::to_string(parts.month); break;
            case TokenKind::Month2: shown += twoDigits(parts.month); break;
            case TokenKind::MonthShort: shown += kMonthShort[parts.month - 1]; break;
            case TokenKind::MonthLong: shown += kMonthLong[parts.month - 1]; break;
            case TokenKind::MonthLetter: shown += kMonthShort[parts.month - 1].substr(0, 1); break;
            case TokenKind::Day: shown += std::to_string(parts.day); break;
            case TokenKind::Day2: shown += twoDigits(parts.day); break;
            case TokenKind::DayShort: shown += kDayShort[weekday]; break;
            case TokenKind::DayLong: shown += kDayLong[weekday]; break;
            case TokenKind::Hour: shown += std::to_string(hour); break;
            case TokenKind::Hour2: shown += twoDigits(hour); break;
            case TokenKind::Minute: shown += std::to_string(parts.minute); break;
            case TokenKind::Minute2: shown += twoDigits(parts.minute); break;
            case TokenKind::Second: shown += std::to_string(parts.second); break;
            case TokenKind::Second2: shown += twoDigits(parts.second); break;
            case TokenKind::Fraction: {
                const std::string thousandths = std::to_string(1000 + parts.millisecond).substr(1);
                shown += ',' + thousandths.substr(0, static_cast<std::size_t>(token.count));
                break;
            }
            case TokenKind::AmPm: shown += parts.hour < 12 ? "AM" : "PM"; break;
            case TokenKind::AP: shown += parts.hour < 12 ? "A" : "P"; break;
            case TokenKind::ElapsedHours: shown += std::to_string(static_cast<long long>(totalSeconds) / 3600); break;
            case TokenKind::ElapsedMinutes: shown += std::to_string(static_cast<long long>(totalSeconds) / 60); break;
            case TokenKind::ElapsedSeconds: shown += std::to_string(static_cast<long long>(totalSeconds)); break;
            default: break;
            }
        }
        return shown;
    }

    std::string showText(std::string_view text) const {
        std::string shown;
        for (const Token& token : tokens) {
            if (token.kind == TokenKind::Literal) {
                shown += token.text;
            } else if (token.kind == TokenKind::Text) {
                shown += text;
            }
        }
        return shown;
    }
};

struct DisplayFormat::Choice {
    int section = -1;  // none: shown as "General"
    double magnitude = 0.0;
    bool minus = false;
};

DisplayFormat::DisplayFormat() = default;
DisplayFormat::~DisplayFormat() = default;
DisplayFormat::DisplayFormat(DisplayFormat&&) noexcept = default;
DisplayFormat& DisplayFormat::operator=(DisplayFormat&&) noexcept = default;

DisplayFormat::DisplayFormat(std::string_view invariantCode) {
    std::string_view rest = invariantCode;
    if (rest.empty() || equalsIgnoringCase(rest, "general")) {
        return;
    }
    // Sections are separated by ";" outside quoted text, escapes and brackets.
    for (;;) {
        std::size_t end = 0;
        bool quoted = false;
        bool bracket = false;
        for (; end < rest.size(); ++end) {
            const char c = rest[end];
            if (quoted) {
                quoted = c != '"';
            } else if (bracket) {
                bracket = c != ']';
            } else if (c == '"') {
                quoted = true;
            } else if (c == '[') {
                bracket = true;
            } else if (c == '\\' || c == '_' || c == '*') {
                ++end;
            } else if (c == ';') {
                break;
            }
        }
        sections_.emplace_back(rest.substr(0, std::min(end, rest.size())));
        if (sections_.back().kind == Section::Kind::Text && textSection_ < 0) {
            textSection_ = static_cast<int>(sections_.size()) - 1;
        }
        if (end >= rest.size() || sections_.size() == 4) {
            break;
        }
        rest.remove_prefix(end + 1);
    }
}

DisplayFormat::Choice DisplayFormat::choose(double value) const {
    int numberSections[4];
    int count = 0;
    for (int i = 0; i < static_cast<int>(sections_.size()); ++i) {
        if (i != textSection_) {
            numberSections[count++] = i;
        }
    }
    const double magnitude = std::fabs(value);
    if (count == 0 || std::isnan(value)) {
        return {-1, value, false};
    }
    if (count == 1 || value > 0 || (value == 0 && count == 2)) {
        return {numberSections[0], magnitude, value < 0 && count == 1};
    }
    if (value < 0) {
        return {numberSections[1], magnitude, false};
    }
    return {numberSections[2], magnitude, false};
}

std::string DisplayFormat::showNumber(double value) const {
    const Choice choice = choose(value);
    if (choice.section < 0) {
        return showGeneral(value);
    }
    return sections_[static_cast<std::size_t>(choice.section)].showNumber(choice.magnitude, choice.minus);
}

std::string DisplayFormat::showText(std::string_view text) const {
    if (textSection_ < 0) {
        return std::string(text);
    }
    return sections_[static_cast<std::size_t>(textSection_)].showText(text);
}

double DisplayFormat::numberWidth(double value) const {
    const Choice choice = choose(value);
    if (choice.section < 0) {
        return textWidth(showGeneral(value));
    }
    const Section& section = sections_[static_cast<std::size_t>(choice.section)];
    if (!section.cacheable()) {
        return textWidth(section.showNumber(choice.magnitude, choice.minus));
    }
    // Digits are all equally wide: what is shown depends only on how many digits the rounded value has and,
    // with optional decimals, on how many of them are trailing zeros.
    const double places = std::pow(10.0, static_cast<double>(section.decimals.size()));
    const double scaled = choice.magnitude * section.multiplier() * places;
    if (!(scaled < 1e15)) {
        return textWidth(section.showNumber(choice.magnitude, choice.minus));
    }
    auto rounded = static_cast<std::uint64_t>(std::llround(scaled));
    unsigned digits = 0;
    unsigned trailingZeros = 0;
    bool counting = section.optionalDecimals();
    for (std::uint64_t rest = rounded; rest > 0; rest /= 10) {
        if (counting && rest % 10 == 0 && trailingZeros < section.decimals.size()) {
            ++trailingZeros;
        } else {
            counting = false;
        }
        ++digits;
    }
    if (rounded == 0 && section.optionalDecimals()) {
        trailingZeros = static_cast<unsigned>(section.decimals.size());
    }
    constexpr std::size_t kDigits = 17;
    constexpr std::size_t kZeros = 16;
    const std::size_t key =
        ((static_cast<std::size_t>(choice.section) * 2 + (choice.minus ? 1 : 0)) * kDigits + digits) * kZeros +
        trailingZeros;
    if (widthCache_.empty()) {
        widthCache_.assign(4 * 2 * kDigits * kZeros, -1.0);
    }
    double& cached = widthCache_[key];
    if (cached < 0) {
        cached = textWidth(section.showNumber(choice.magnitude, choice.minus));
    }
    return cached;
}

}  // namespace velmora
