#include "monitor/lock_freshness.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "common/utf8_path.h"
#include "monitor/instance_lock.h"
#include "support/scratch_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;


// As the monitor spells the server data folder and its own path: with the system's separator.
const std::string kSeparator(1, static_cast<char>(fs::path::preferred_separator));

void backdate(const fs::path& path, std::chrono::seconds age) {
    fs::last_write_time(path, fs::file_time_type::clock::now() - age);
}

TEST(LockFreshness, TheAgeIsMeasuredAgainstTheFoldersOwnClockAndLeavesNothingBehind) {
    ScratchFolder folder;
    const fs::path lock = folder / "velmoraMonitorPublicacao.lock";
    InstanceLock(lock, kSeparator + "erp" + kSeparator + "velmoraMonitorPublicacao").create();

    const auto fresh = lockFileAge(lock);
    ASSERT_TRUE(fresh.has_value());
    EXPECT_LE(*fresh, 60s);

    backdate(lock, 10min);
    const auto old = lockFileAge(lock);
    ASSERT_TRUE(old.has_value());
    // File times come from the kernel's coarse clock, a few milliseconds behind the one the test sets them by.
    EXPECT_GE(*old, 9min + 59s);
    EXPECT_LT(*old, 11min);

    // A lock from a machine whose clock runs ahead is not old.
    fs::last_write_time(lock, fs::file_time_type::clock::now() + 10min);
    EXPECT_LT(*lockFileAge(lock), 0s);

    EXPECT_FALSE(lockFileAge(folder / "other.lock").has_value());
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1) << "only the lock";
}

TEST(LockFreshness, AFolderThatCannotTakeAProbeGivesNoAge) {
    ScratchFolder folder;
    const fs::path lock = folder / "velmoraMonitorPublicacao.lock";
    std::ofstream(lock) << "x";
    fs::create_directory(folder / ("velmoraMonitorPublicacao.lock." + std::to_string(::getpid()) + ".hora"));
    EXPECT_FALSE(lockFileAge(lock).has_value()) << "a probe that could not be written tells nothing";
}

TEST(LockFreshness, TheRefresherKeepsALockFreshUntilItGoes) {
    ScratchFolder folder;
    const fs::path lock = folder / "velmoraMonitorPublicacao.lock";
    InstanceLock instanceLock(lock, kSeparator + "Gestão" + kSeparator + "velmoraMonitorPublicacao");
    ASSERT_TRUE(instanceLock.create());
    backdate(lock, 1h);
    {
        const LockRefresher refresher(instanceLock, 10ms);
        const auto deadline = std::chrono::steady_clock::now() + 30s;  // only keeps a broken build from hanging
        while (*lockFileAge(lock) > 60s && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
        }
        EXPECT_LE(*lockFileAge(lock), 60s);
    }
    backdate(lock, 1h);
    std::this_thread::sleep_for(50ms);
    EXPECT_GE(*lockFileAge(lock), 59min) << "no refresh after the refresher went";
}

}  // namespace
}  // namespace velmora
