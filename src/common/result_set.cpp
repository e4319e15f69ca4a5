#include "common/result_set.h"

#include <ibase.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>

#include "common/ptbr_format.h"
#include "common/text.h"

namespace velmora {

namespace {

template <class T>
T decode(std::string_view raw) {
    T value{};
    std::memcpy(&value, raw.data(), std::min(raw.size(), sizeof value));
    return value;
}

constexpr std::int64_t pow10(int exponent) {
    std::int64_t result = 1;
    for (int i = 0; i < exponent; ++i) {
        result *= 10;
    }
    return result;
}

// Firebird counts days from 17/11/1858 and time in units of 1/10000 s.
DateTime fromFirebird(std::int32_t date, std::uint32_t time) {
    using namespace std::chrono;
    const local_days epoch{year{1858} / November / 17};
    return DateTime{(epoch + days{date}).time_since_epoch()} + milliseconds{time / 10};
}

std::string exactDecimal(ScaledInteger number) {
    if (number.scale >= 0) {
        return std::to_string(number.value * pow10(number.scale));
    }
    const bool negative = number.value < 0;
    const auto magnitude = static_cast<std::uint64_t>(negative ? -(number.value + 1) : number.value) + (negative ? 1 : 0);
    const auto divisor = static_cast<std::uint64_t>(pow10(-number.scale));
    std::string fraction = std::to_string(magnitude % divisor);
    fraction.insert(0, static_cast<std::size_t>(-number.scale) - fraction.size(), '0');
    while (!fraction.empty() && fraction.back() == '0') {
        fraction.pop_back();
    }
    std::string text = (negative ? "-" : "") + std::to_string(magnitude / divisor);
    if (!fraction.empty()) {
        text += ',' + fraction;
    }
    return text;
}

// Shortest text that reads back as the same double, in Brazilian notation.
std::string formatShortestDouble(double value) {
    char buffer[64];
    for (int precision = 15; precision <= 17; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*g", precision, value);
        if (std::strtod(buffer, nullptr) == value) {
            break;
        }
    }
    std::string text(buffer);
    for (char& c : text) {
        if (c == '.') {
            c = ',';
        }
    }
    return text;
}

bool isTextType(unsigned type) { return type == SQL_TEXT || type == SQL_VARYING || type == SQL_BLOB; }

}  // namespace

double ScaledInteger::toDouble() const { return static_cast<double>(value) * std::pow(10.0, scale); }

std::int64_t ScaledInteger::rescaled(int decimals) const {
    const int shift = scale + decimals;
    if (shift >= 0) {
        return value * pow10(shift);
    }
    const std::int64_t divisor = pow10(-shift);
    const std::int64_t quotient = value / divisor;
    const std::int64_t remainder = value % divisor;
    if (2 * (remainder < 0 ? -remainder : remainder) >= divisor) {
        return quotient + (value < 0 ? -1 : 1);
    }
    return quotient;
}

ResultSet::ResultSet(std::vector<ColumnInfo> columns) : columns_(std::move(columns)) {}

std::size_t ResultSet::columnIndex(std::string_view name) const {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (equalsIgnoringCase(columns_[i].name, name)) {
            return i;
        }
    }
    throw std::runtime_error("Campo '" + std::string(name) + "' não encontrado no resultado da consulta.");
}

ResultSet::Page& ResultSet::pageForNextCell() {
    if (cellCount_ % kPageCells == 0) {
        Page page;
        page.offsets.push_back(0);
        // A small result stays small; a large one's pages are all full and its rows alike, so the last page's
        // size is a good first size for the next.
        if (!pages_.empty()) {
            const std::size_t last = pages_.back().bytes.size();
            page.offsets.reserve(kPageCells + 1);
            page.bytes.reserve(last + last / 8);
        }
        pages_.push_back(std::move(page));
    }
    return pages_.back();
}

void ResultSet::appendCell(std::string_view bytes) {
    // A result beyond 2 GiB is refused whole, not page by page.
    if (byteCount_ + bytes.size() >= kNullBit) {
        throw std::runtime_error("O resultado da consulta é grande demais para ser lido de uma vez.");
    }
    Page& page = pageForNextCell();
    page.bytes.append(bytes);
    page.offsets.push_back(static_cast<std::uint32_t>(page.bytes.size()));
    byteCount_ += bytes.size();
    ++cellCount_;
}

void ResultSet::appendNull() {
    Page& page = pageForNextCell();
    page.offsets.back() |= kNullBit;
    page.offsets.push_back(static_cast<std::uint32_t>(page.bytes.size()));
    ++cellCount_;
}

const ColumnInfo& Field::info() const { return rows_->columns_[column_]; }

bool Field::isNull() const {
    const std::size_t cell = row_ * rows_->columnCount() + column_;
    return (rows_->pageOf(cell).offsets[ResultSet::indexInPage(cell)] & ResultSet::kNullBit) != 0;
}

std::string_view Field::raw() const {
    const std::size_t cell = row_ * rows_->columnCount() + column_;
    const ResultSet::Page& page = rows_->pageOf(cell);
    const std::size_t index = ResultSet::indexInPage(cell);
    const std::uint32_t begin = page.offsets[index] & ~ResultSet::kNullBit;
    const std::uint32_t end = page.offsets[index + 1] & ~ResultSet::kNullBit;
    return std::string_view(page.bytes).substr(begin, end - begin);
}

ScaledInteger Field::asScaled() const {
    if (isNull()) {
        return {};
    }
    const std::string_view bytes = raw();
    const int scale = info().scale;
    switch (info().sqlType) {
        case SQL_SHORT: return {decode<std::int16_t>(bytes), scale};
        case SQL_LONG: return {decode<std::int32_t>(bytes), scale};
        case SQL_INT64: return {decode<std::int64_t>(bytes), scale};
        case SQL_BOOLEAN: return {decode<std::uint8_t>(bytes) != 0 ? 1 : 0, 0};
        default: break;
    }
    const double number = asDouble();
    return {std::llround(number * 10000.0), -4};
}

double Field::asDouble() const {
    if (isNull()) {
        return 0.0;
    }
    switch (info().sqlType) {
        case SQL_FLOAT: return decode<float>(raw());
        case SQL_DOUBLE:
        case SQL_D_FLOAT: return decode<double>(raw());
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
        case SQL_TIMESTAMP: {
            using namespace std::chrono;
            return duration<double, days::period>(asDateTime() - emptyDateTime()).count();
        }
        default: break;
    }
    if (isTextType(info().sqlType)) {
        const std::string text = trimmed(raw());
        if (text.empty()) {
            return 0.0;
        }
        if (const auto number = parseNumber(text)) {
            return *number;
        }
        throw std::runtime_error("'" + text + "' não é um valor numérico válido.");
    }
    return asScaled().toDouble();
}

std::int64_t Field::asInteger() const {
    if (isNull()) {
        return 0;
    }
    const unsigned type = info().sqlType;
    if (type == SQL_SHORT || type == SQL_LONG || type == SQL_INT64 || type == SQL_BOOLEAN) {
        return asScaled().rescaled(0);
    }
    const double number = asDouble();
    if (!(std::fabs(number) < 9.2e18)) {
        throw std::runtime_error("'" + asString() + "' não é um valor inteiro válido.");
    }
    return std::llround(number);
}

DateTime Field::asDateTime() const {
    if (isNull()) {
        return emptyDateTime();
    }
    const std::string_view bytes = raw();
    switch (info().sqlType) {
        case SQL_TYPE_DATE: return fromFirebird(decode<std::int32_t>(bytes), 0);
        case SQL_TYPE_TIME: return emptyDateTime() + std::chrono::milliseconds{decode<std::uint32_t>(bytes) / 10};
        case SQL_TIMESTAMP: {
            const auto stamp = decode<ISC_TIMESTAMP>(bytes);
            return fromFirebird(stamp.timestamp_date, stamp.timestamp_time);
        }
        default: break;
    }
    if (isTextType(info().sqlType)) {
        const std::string text = trimmed(bytes);
        if (text.empty()) {
            return emptyDateTime();
        }
        if (const auto value = parseDateTime(text)) {
            return *value;
        }
        throw std::runtime_error("'" + text + "' não é uma data válida.");
    }
    using namespace std::chrono;
    return emptyDateTime() + round<milliseconds>(duration<double, days::period>(asDouble()));
}

std::string Field::asString() const {
    if (isNull()) {
        return {};
    }
    switch (info().sqlType) {
        case SQL_TEXT:
        case SQL_VARYING:
        case SQL_BLOB: return std::string(raw());
        case SQL_TYPE_DATE: return formatDateTime(asDateTime(), "dd/mm/yyyy");
        case SQL_TYPE_TIME: return formatDateTime(asDateTime(), "hh:mm:ss");
        case SQL_TIMESTAMP: return formatDefaultDateTime(asDateTime());
        case SQL_BOOLEAN: return decode<std::uint8_t>(raw()) != 0 ? "True" : "False";
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT: return formatShortestDouble(asDouble());
        default: return exactDecimal(asScaled());
    }
}

}  // namespace velmora
