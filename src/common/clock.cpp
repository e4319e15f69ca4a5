#include "common/clock.h"

#include <thread>

namespace velmora {

DateTime SystemClock::now() const { return localDateTime(std::chrono::system_clock::now()); }

void SystemClock::sleep(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

}  // namespace velmora
