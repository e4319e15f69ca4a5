#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace velmora {

// Starts another program that lives on by itself.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Fire and forget: whether the program could be started is not reported.
    virtual void startDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments) = 0;
};

// The program runs in a session of its own, adopted by the system, so it outlives the caller and never
// lingers as the caller's child. It inherits the environment and the working folder, but no other open file
// than standard input, output and error.
class DetachedProcessLauncher final : public ProcessLauncher {
public:
    void startDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments) override;
};

}  // namespace velmora
