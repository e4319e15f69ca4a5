#pragma once

#include <chrono>

#include "common/date_time.h"

namespace velmora {

// Time goes through this interface so that tests run the one-minute cycle and its waits instantly.
class Clock {
public:
    virtual ~Clock() = default;
    virtual DateTime now() const = 0;
    // Blocks the calling thread; events are not handled meanwhile.
    virtual void sleep(std::chrono::milliseconds duration) = 0;
};

class SystemClock final : public Clock {
public:
    DateTime now() const override;
    void sleep(std::chrono::milliseconds duration) override;
};

}  // namespace velmora
