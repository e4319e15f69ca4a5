#include "common/date_time.h"

#include <ctime>

namespace velmora {

using namespace std::chrono;

DateTime makeDateTime(const DateTimeParts& p) {
    const local_days day{year{p.year} / month{p.month} / std::chrono::day{p.day}};
    return DateTime{day.time_since_epoch()} + hours{p.hour} + minutes{p.minute} + seconds{p.second} +
           milliseconds{p.millisecond};
}

DateTime makeDateTime(int y, unsigned mo, unsigned d, unsigned h, unsigned mi, unsigned s, unsigned ms) {
    return makeDateTime(DateTimeParts{y, mo, d, h, mi, s, ms});
}

DateTimeParts splitDateTime(DateTime value) {
    const auto day = floor<days>(value);
    const year_month_day ymd{day};
    const hh_mm_ss<milliseconds> tod{value - day};
    return DateTimeParts{static_cast<int>(ymd.year()),        static_cast<unsigned>(ymd.month()),
                         static_cast<unsigned>(ymd.day()),     static_cast<unsigned>(tod.hours().count()),
                         static_cast<unsigned>(tod.minutes().count()), static_cast<unsigned>(tod.seconds().count()),
                         static_cast<unsigned>(tod.subseconds().count())};
}

DateTime emptyDateTime() { return makeDateTime(1899, 12, 30); }

DateTime localDateTime(system_clock::time_point moment) {
    const std::time_t whole = system_clock::to_time_t(moment);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &whole);
#else
    localtime_r(&whole, &local);
#endif
    const auto millis = duration_cast<milliseconds>(moment.time_since_epoch()) % 1000;
    return makeDateTime(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                        static_cast<unsigned>(local.tm_mday), static_cast<unsigned>(local.tm_hour),
                        static_cast<unsigned>(local.tm_min), static_cast<unsigned>(local.tm_sec),
                        static_cast<unsigned>(millis.count()));
}

Date dateOf(DateTime value) { return floor<days>(value); }

DateTime atMidnight(Date day) { return DateTime{day.time_since_epoch()}; }

}  // namespace velmora
