#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/scratch_folder.h"

namespace velmora::test {

namespace {

int decodeStatus(int raw) {
    if (WIFEXITED(raw)) {
        return WEXITSTATUS(raw);
    }
    return 128 + WTERMSIG(raw);
}

[[noreturn]] void execInChild(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                              int inputFd, int outputFd) {
    if (inputFd >= 0) {
        ::dup2(inputFd, STDIN_FILENO);
    }
    if (outputFd >= 0) {
        ::dup2(outputFd, STDOUT_FILENO);
        ::dup2(outputFd, STDERR_FILENO);
    }
    for (const auto& entry : environment) {
        ::putenv(const_cast<char*>(entry.c_str()));
    }
    std::vector<char*> argv;
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                           const std::string& outputFile) {
    int outputFd = -1;
    if (!outputFile.empty()) {
        outputFd = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (outputFd < 0) {
            throw std::runtime_error("cannot open " + outputFile);
        }
    }
    pid_ = ::fork();
    if (pid_ == 0) {
        execInChild(arguments, environment, -1, outputFd);
    }
    if (outputFd >= 0) {
        ::close(outputFd);
    }
    if (pid_ < 0) {
        throw std::runtime_error("cannot start " + arguments.front());
    }
}

ChildProcess::~ChildProcess() {
    if (running()) {
        signal(SIGKILL);
        waitFor(std::chrono::seconds(10));
    }
}

bool ChildProcess::running() {
    if (status_ || pid_ <= 0) {
        return false;
    }
    int raw = 0;
    if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
        status_ = decodeStatus(raw);
        return false;
    }
    return true;
}

void ChildProcess::signal(int number) {
    if (running()) {
        ::kill(pid_, number);
    }
}

std::optional<int> ChildProcess::waitFor(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (running()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return status_;
}

CommandResult runCommand(const std::vector<std::string>& arguments, const std::string& input) {
    ScratchFolder scratch;
    const auto inputPath = scratch / "input";
    const auto outputPath = scratch / "output";
    std::ofstream(inputPath, std::ios::binary) << input;
    const int inputFd = ::open(inputPath.c_str(), O_RDONLY | O_CLOEXEC);
    const int outputFd = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const pid_t pid = ::fork();
    if (pid == 0) {
        execInChild(arguments, {}, inputFd, outputFd);
    }
    ::close(inputFd);
    ::close(outputFd);
    if (pid < 0) {
        throw std::runtime_error("cannot start " + arguments.front());
    }
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    std::ostringstream output;
    output << std::ifstream(outputPath, std::ios::binary).rdbuf();
    return {decodeStatus(raw), output.str()};
}

}  // namespace velmora::test
