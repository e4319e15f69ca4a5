#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace velmora::test {

// A program started by a test; killed and reaped when the object goes, so no test leaves one behind.
class ChildProcess {
public:
    // `environment` entries ("NAME=value") are added to the test's own environment. Output goes to `outputFile`
    // when given (standard output and error together), else to the test's own.
    ChildProcess(const std::vector<std::string>& arguments, const std::vector<std::string>& environment = {},
                 const std::string& outputFile = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    void signal(int number);
    // Waits for the end; the exit status (or 128 + signal), or nullopt when it did not end in time.
    std::optional<int> waitFor(std::chrono::milliseconds timeout);

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Runs a program to its end with `input` on its standard input; returns the exit status and the output.
struct CommandResult {
    int status = -1;
    std::string output;
};
CommandResult runCommand(const std::vector<std::string>& arguments, const std::string& input = {});

}  // namespace velmora::test
