#include "child_phase.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace velmora::bench {

namespace {

void writeAll(int descriptor, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(descriptor, text.data() + done, text.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        done += static_cast<std::size_t>(written);
    }
}

std::string readAll(int descriptor) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace

void PhaseReport::put(const std::string& name, double value) {
    char line[256];
    std::snprintf(line, sizeof line, "%s %.17g\n", name.c_str(), value);
    writeAll(descriptor_, line);
}

PhaseResult runPhase(const std::string& name, const std::function<void(PhaseReport&)>& body) {
    int channel[2];
    if (::pipe(channel) != 0) {
        throw std::runtime_error("pipe: " + std::string(std::strerror(errno)));
    }
    // Buffered output would otherwise be written twice, once by each process.
    std::cout.flush();
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        throw std::runtime_error("fork: " + std::string(std::strerror(errno)));
    }
    if (child == 0) {
        ::close(channel[0]);
        int code = 0;
        try {
            PhaseReport report(channel[1]);
            body(report);
        } catch (const std::exception& error) {
            writeAll(channel[1], std::string("!") + error.what() + "\n");
            code = 1;
        }
        ::close(channel[1]);
        // A normal exit lets the database engine shut down cleanly before the next phase opens the file.
        std::exit(code);
    }
    ::close(channel[1]);
    const std::string output = readAll(channel[0]);
    ::close(channel[0]);

    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error("wait4: " + std::string(std::strerror(errno)));
        }
    }

    PhaseResult result;
    result.peakRssKb = usage.ru_maxrss;
    std::istringstream lines(output);
    std::string line;
    std::string failure;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.front() == '!') {
            failure += line.substr(1);
            continue;
        }
        const auto space = line.find(' ');
        if (space != std::string::npos) {
            result.figures[line.substr(0, space)] = std::strtod(line.c_str() + space + 1, nullptr);
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error("phase \"" + name + "\" failed" + (failure.empty() ? "" : ": " + failure));
    }
    return result;
}

}  // namespace velmora::bench
