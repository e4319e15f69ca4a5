#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "common/utf8_path.h"

namespace velmora {

// A program that could not be started: what() is the user's message, reason() the system's part of it.
class ProgramStartError : public std::runtime_error {
public:
    ProgramStartError(const std::filesystem::path& program, std::string reason)
        : std::runtime_error("Não foi possível iniciar o programa " + utf8Text(program) + ": " + reason),
          reason_(std::move(reason)) {}
    const std::string& reason() const { return reason_; }

private:
    std::string reason_;
};

// Starts another program that lives on by itself.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Returns once the program runs; one that cannot be started throws ProgramStartError. What it does after
    // that is not followed.
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
