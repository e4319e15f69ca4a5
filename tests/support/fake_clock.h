#pragma once

#include <chrono>
#include <vector>

#include "common/clock.h"

namespace velmora::test {

// Time that moves only when the code under test sleeps or the test says so.
class FakeClock final : public Clock {
public:
    explicit FakeClock(DateTime start = makeDateTime(2026, 12, 10, 9, 30, 0)) : now_(start) {}

    DateTime now() const override { return now_; }
    void sleep(std::chrono::milliseconds duration) override {
        sleeps.push_back(duration);
        now_ += duration;
    }
    void set(DateTime value) { now_ = value; }
    void advance(std::chrono::milliseconds duration) { now_ += duration; }

    std::vector<std::chrono::milliseconds> sleeps;

private:
    DateTime now_;
};

}  // namespace velmora::test
