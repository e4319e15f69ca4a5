#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "monitor/instance_lock.h"

namespace velmora {

// A lock file left by a monitor that no longer runs (a crash, a power cut, a lost server) must not block the
// installation for good: the running monitor keeps rewriting its lock, and a start may take over one that
// nobody rewrote for a while.

inline constexpr std::chrono::minutes kAbandonedLockAge{5};
inline constexpr std::chrono::seconds kLockRefreshInterval{20};

// How long ago the lock file was last written, by the clock of the folder that holds it (the machines that
// share the server data folder may disagree about the time): a probe file is written beside the lock and the
// two times compared. Nothing when the lock or the probe cannot be looked at.
std::optional<std::chrono::seconds> lockFileAge(const std::filesystem::path& lockFile);

// Refreshes a lock on a thread of its own until destroyed, whatever the window's thread is busy with (a long
// publication). What it finds is for the monitor to ask at its next cycle, which looks again itself.
class LockRefresher {
public:
    explicit LockRefresher(InstanceLock& lock, std::chrono::milliseconds interval = kLockRefreshInterval);
    ~LockRefresher();
    LockRefresher(const LockRefresher&) = delete;
    LockRefresher& operator=(const LockRefresher&) = delete;

private:
    void run();

    InstanceLock& lock_;
    const std::chrono::milliseconds interval_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace velmora
