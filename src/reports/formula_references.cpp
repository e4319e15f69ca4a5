#include "reports/formula_references.h"

#include <stdexcept>
#include <utility>

#include "common/text.h"

namespace velmora {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isNamePart(char c) { return isLetter(c) || isDigit(c) || c == '_' || c == '.'; }
char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// One coordinate of an R1C1 reference: empty (same row or column), "[n]" (relative) or "n" (absolute).
struct Part {
    bool absolute = false;
    long offset = 0;
};

bool readPart(std::string_view text, std::size_t& at, Part& part) {
    part = {};
    if (at < text.size() && text[at] == '[') {
        std::size_t k = at + 1;
        bool negative = false;
        if (k < text.size() && (text[k] == '-' || text[k] == '+')) {
            negative = text[k] == '-';
            ++k;
        }
        const std::size_t digits = k;
        long value = 0;
        while (k < text.size() && isDigit(text[k]) && value < 10000000) {
            value = value * 10 + (text[k++] - '0');
        }
        if (k == digits || k >= text.size() || text[k] != ']') {
            return false;
        }
        part.offset = negative ? -value : value;
        at = k + 1;
        return true;
    }
    long value = 0;
    const std::size_t digits = at;
    while (at < text.size() && isDigit(text[at]) && value < 10000000) {
        value = value * 10 + (text[at++] - '0');
    }
    if (at > digits) {
        part.absolute = true;
        part.offset = value;
    }
    return true;
}

[[noreturn]] void throwBadReference(std::string_view formula, int row, int column) {
    throw std::runtime_error("A fórmula " + std::string(formula) + " da célula " + columnName(column) +
                             std::to_string(row) + " refere-se a uma célula fora da planilha.");
}

// Reads "A1", "$A$1" and the like; returns false when the text there is no cell reference.
bool readA1(std::string_view text, std::size_t& at, int& row, int& column) {
    std::size_t k = at;
    if (k < text.size() && text[k] == '$') {
        ++k;
    }
    long col = 0;
    const std::size_t letters = k;
    while (k < text.size() && isLetter(text[k]) && k - letters < 3) {
        col = col * 26 + (upper(text[k++]) - 'A' + 1);
    }
    if (k == letters) {
        return false;
    }
    if (k < text.size() && text[k] == '$') {
        ++k;
    }
    long r = 0;
    const std::size_t digits = k;
    while (k < text.size() && isDigit(text[k]) && r <= kMaxRows) {
        r = r * 10 + (text[k++] - '0');
    }
    if (k == digits || r < 1 || r > kMaxRows || col > kMaxColumns) {
        return false;
    }
    row = static_cast<int>(r);
    column = static_cast<int>(col);
    at = k;
    return true;
}

void skipBlanks(std::string_view text, std::size_t& at) {
    while (at < text.size() && text[at] == ' ') {
        ++at;
    }
}

}  // namespace

std::string columnName(int column) {
    std::string name;
    for (int rest = column; rest > 0; rest = (rest - 1) / 26) {
        name.insert(name.begin(), static_cast<char>('A' + (rest - 1) % 26));
    }
    return name;
}

std::string formulaR1C1ToA1(std::string_view formula, int row, int column) {
    std::string result;
    result.reserve(formula.size());
    for (std::size_t i = 0; i < formula.size();) {
        const char c = formula[i];
        if (c == '"') {
            const std::size_t end = formula.find('"', i + 1);
            const std::size_t stop = end == std::string_view::npos ? formula.size() : end + 1;
            result.append(formula.substr(i, stop - i));
            i = stop;
            continue;
        }
        const bool tokenStart = i == 0 || !isNamePart(formula[i - 1]);
        if (tokenStart && upper(c) == 'R') {
            std::size_t k = i + 1;
            Part rowPart;
            Part columnPart;
            if (readPart(formula, k, rowPart) && k < formula.size() && upper(formula[k]) == 'C') {
                ++k;
                if (readPart(formula, k, columnPart) &&
                    (k >= formula.size() || (!isNamePart(formula[k]) && formula[k] != '('))) {
                    const long r = rowPart.absolute ? rowPart.offset : row + rowPart.offset;
                    const long col = columnPart.absolute ? columnPart.offset : column + columnPart.offset;
                    if (r < 1 || r > kMaxRows || col < 1 || col > kMaxColumns) {
                        throwBadReference(formula, row, column);
                    }
                    result += columnPart.absolute ? "$" : "";
                    result += columnName(static_cast<int>(col));
                    result += rowPart.absolute ? "$" : "";
                    result += std::to_string(r);
                    i = k;
                    continue;
                }
            }
        }
        // Copy a whole name at once, so that its inner letters are never read as references.
        if (tokenStart && isNamePart(c)) {
            std::size_t k = i;
            while (k < formula.size() && isNamePart(formula[k])) {
                ++k;
            }
            result.append(formula.substr(i, k - i));
            i = k;
            continue;
        }
        result += c;
        ++i;
    }
    return result;
}

std::optional<std::vector<CellRange>> sumArguments(std::string_view formulaA1) {
    std::size_t at = 0;
    if (at < formulaA1.size() && formulaA1[at] == '=') {
        ++at;
    }
    skipBlanks(formulaA1, at);
    static constexpr std::string_view kSum = "SUM(";
    if (!equalsIgnoringCase(formulaA1.substr(at, kSum.size()), kSum)) {
        return std::nullopt;
    }
    at += kSum.size();
    std::vector<CellRange> ranges;
    for (;;) {
        skipBlanks(formulaA1, at);
        CellRange range;
        if (!readA1(formulaA1, at, range.firstRow, range.firstColumn)) {
            return std::nullopt;
        }
        range.lastRow = range.firstRow;
        range.lastColumn = range.firstColumn;
        if (at < formulaA1.size() && formulaA1[at] == ':') {
            ++at;
            if (!readA1(formulaA1, at, range.lastRow, range.lastColumn)) {
                return std::nullopt;
            }
        }
        if (range.firstRow > range.lastRow) {
            std::swap(range.firstRow, range.lastRow);
        }
        if (range.firstColumn > range.lastColumn) {
            std::swap(range.firstColumn, range.lastColumn);
        }
        ranges.push_back(range);
        skipBlanks(formulaA1, at);
        if (at < formulaA1.size() && formulaA1[at] == ',') {
            ++at;
            continue;
        }
        if (at < formulaA1.size() && formulaA1[at] == ')') {
            ++at;
            skipBlanks(formulaA1, at);
            return at == formulaA1.size() ? std::optional(std::move(ranges)) : std::nullopt;
        }
        return std::nullopt;
    }
}

}  // namespace velmora
