#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace velmora::test {

// A small file system of its own (tmpfs) mounted on a folder, to run out of space on purpose. Mounting needs
// root; without it `skipReason()` says why and nothing is mounted. Unmounted when the object goes.
class SmallDisk {
public:
    SmallDisk(std::filesystem::path folder, std::uint64_t bytes);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    const std::optional<std::string>& skipReason() const { return skipReason_; }
    const std::filesystem::path& folder() const { return folder_; }

    std::uint64_t available() const;
    // A file that takes all but `bytes` of the free space (to the page), or all of it with 0.
    void fillLeaving(std::uint64_t bytes);
    void removeFiller();
    // As a share that turns read-only and back: every write is refused meanwhile, whoever asks (root too).
    void setReadOnly(bool readOnly);
    // Descriptors of this process on files of the disk, deleted ones too: what a failed run left open.
    int openDescriptors() const;

private:
    std::filesystem::path folder_;
    std::filesystem::path filler_;
    std::string options_;
    std::optional<std::string> skipReason_;
    bool mounted_ = false;
};

}  // namespace velmora::test
