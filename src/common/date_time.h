#pragma once

#include <chrono>
#include <cstdint>

namespace velmora {

// Wall-clock time of the workstation, the way the ERP stores and shows it: no time zone attached.
using DateTime = std::chrono::local_time<std::chrono::milliseconds>;
using Date = std::chrono::local_days;

struct DateTimeParts {
    int year = 1899;
    unsigned month = 12;
    unsigned day = 30;
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;
    unsigned millisecond = 0;
};

DateTime makeDateTime(const DateTimeParts& parts);
DateTime makeDateTime(int year, unsigned month, unsigned day, unsigned hour = 0, unsigned minute = 0,
                      unsigned second = 0, unsigned millisecond = 0);
DateTimeParts splitDateTime(DateTime value);

// An empty time stamp reads as day zero of the ERP's calendar, 30/12/1899, which is always in the past.
DateTime emptyDateTime();

// The workstation's wall-clock reading of a moment.
DateTime localDateTime(std::chrono::system_clock::time_point moment);

Date dateOf(DateTime value);
DateTime atMidnight(Date day);

}  // namespace velmora
