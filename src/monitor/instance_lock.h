#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

namespace velmora {

// The lock file marks the installation's running monitor in the server data folder; the flag file there asks
// every monitor to stop. Folders come with their trailing separator, as serverDataFolder returns them.

// Program file name without its extension + ".lock" (the whole name when it has no extension).
std::string lockFileName(const std::string& programPath);
bool lockFileExists(const std::string& programPath, const std::string& folder);

// The lock of one run of the monitor. Its first line says which program runs; its second says which run wrote it
// (computer, process, start time), so that a monitor can tell its own lock from one that another start wrote
// over it after taking it for abandoned, and never removes a lock that is not its own.
class InstanceLock {
public:
    InstanceLock(std::filesystem::path file, const std::string& programPath);

    const std::filesystem::path& file() const { return file_; }

    // Writes the lock where there is none. False when another start wrote one first; the file error when it cannot
    // be written (nothing is left behind then).
    bool create();

    enum class Standing { Own, Unproven, TakenByAnother };
    struct Check {
        Standing standing = Standing::Own;
        std::string problem;  // why the lock could not be proven to be this run's, for the user
    };
    // Looks at the lock and, when it is still this run's, writes it again so that its time is fresh. A lock that is
    // gone is written again: the monitor still runs.
    Check refresh();

    // Removes the lock if this run wrote it (and it is still there). The reason, for the user, when it could not be
    // removed.
    std::optional<std::string> release();

private:
    std::optional<Check> readOwnBytes(std::string& bytes) const;

    std::filesystem::path file_;
    std::string bytes_;  // exactly as written: Windows-1252, CR LF
    std::mutex mutex_;   // the refresher's thread and the window's
};

inline constexpr const char* kDisconnectFlagName = "Conectado.txt";
inline constexpr const char* kDisconnectWord = "DESCONECTAR";

}  // namespace velmora
