#include "monitor/lock_freshness.h"

#include <unistd.h>

#include <fstream>
#include <string>
#include <system_error>

#include "common/utf8_path.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// Written and removed at once; its only use is the time the folder stamps on it.
class ProbeFile {
public:
    explicit ProbeFile(const fs::path& beside)
        : path_(beside.parent_path() /
                utf8Path(utf8Text(beside.filename()) + "." + std::to_string(::getpid()) + ".hora")) {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << '.';
        out.close();
        written_ = static_cast<bool>(out);
    }
    ~ProbeFile() {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    ProbeFile(const ProbeFile&) = delete;
    ProbeFile& operator=(const ProbeFile&) = delete;

    std::optional<fs::file_time_type> writtenAt() const {
        std::error_code error;
        const auto time = fs::last_write_time(path_, error);
        return written_ && !error ? std::optional(time) : std::nullopt;
    }

private:
    fs::path path_;
    bool written_ = false;
};

}  // namespace

std::optional<std::chrono::seconds> lockFileAge(const fs::path& lockFile) {
    std::error_code error;
    const auto lockTime = fs::last_write_time(lockFile, error);
    if (error) {
        return std::nullopt;
    }
    const ProbeFile probe(lockFile);
    const auto now = probe.writtenAt();
    if (!now) {
        return std::nullopt;
    }
    return std::chrono::duration_cast<std::chrono::seconds>(*now - lockTime);
}

LockRefresher::LockRefresher(InstanceLock& lock, std::chrono::milliseconds interval)
    : lock_(lock), interval_(interval), thread_([this] { run(); }) {}

LockRefresher::~LockRefresher() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void LockRefresher::run() {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, interval_, [this] { return stopping_; })) {
        lock.unlock();
        lock_.refresh();  // a failure now may pass; the monitor's cycle looks again before it publishes
        lock.lock();
    }
}

}  // namespace velmora
