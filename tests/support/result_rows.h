#pragma once

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>

#include "common/result_set.h"

namespace velmora::test {

// Cells in the form the connection keeps them, for code that takes a result without a database: texts as
// UTF-8, numbers and dates in the client's binary form.
template <typename T>
std::string binaryCell(T value) {
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

// A DATE: days since 17 November 1858.
inline std::string dateCell(std::chrono::year_month_day day) {
    using namespace std::chrono;
    const auto days = sys_days{day} - sys_days{year{1858} / November / 17};
    return binaryCell(static_cast<std::int32_t>(days.count()));
}

}  // namespace velmora::test
