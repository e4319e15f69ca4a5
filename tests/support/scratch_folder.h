#pragma once

#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include "common/utf8_path.h"

namespace velmora {

// A fresh folder under the system's temporary folder, removed with its content afterwards.
class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                utf8Path("velmora-test-" + std::to_string(::getpid()) + "-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / utf8Path(name); }

private:
    std::filesystem::path path_;
};

}  // namespace velmora
