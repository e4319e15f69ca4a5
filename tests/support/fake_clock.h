#pragma once

#include <atomic>
#include <chrono>
#include <vector>

#include "common/clock.h"

namespace velmora::test {

// Time that moves only when the code under test sleeps or the test says so. The run journal's own thread reads
// it too, hence the atomic time.
class FakeClock final : public Clock {
public:
    explicit FakeClock(DateTime start = makeDateTime(2026, 12, 10, 9, 30, 0)) : now_(start) {}

    DateTime now() const override { return now_.load(); }
    void sleep(std::chrono::milliseconds duration) override {
        sleeps.push_back(duration);
        advance(duration);
    }
    void set(DateTime value) { now_.store(value); }
    void advance(std::chrono::milliseconds duration) { now_.store(now_.load() + duration); }

    std::vector<std::chrono::milliseconds> sleeps;

private:
    std::atomic<DateTime> now_;
};

}  // namespace velmora::test
