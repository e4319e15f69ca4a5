#include "update/process_launcher.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "common/file_descriptor.h"
#include "common/file_error.h"

namespace velmora {

namespace {

// The errno that a child sends back when it cannot become the program; none once the program runs, as the
// pipe's end closes itself on exec.
void sendFailure(int pipeEnd, int error) {
    [[maybe_unused]] const ssize_t written = ::write(pipeEnd, &error, sizeof error);
}

int receiveFailure(int pipeEnd) {
    int error = 0;
    ssize_t received = 0;
    do {
        received = ::read(pipeEnd, &error, sizeof error);
    } while (received < 0 && errno == EINTR);
    return received == static_cast<ssize_t>(sizeof error) ? error : 0;
}

}  // namespace

void DetachedProcessLauncher::startDetached(const std::filesystem::path& program,
                                            const std::vector<std::string>& arguments) {
    // Everything the child needs is made before fork: between fork and exec only async-signal-safe calls may
    // run, as the program has other threads (the database client's).
    std::vector<std::string> words;
    words.reserve(arguments.size() + 1);
    words.push_back(program.string());
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (auto& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    sigset_t noSignals;
    sigemptyset(&noSignals);

    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        throw ProgramStartError(program, fileErrorReason(errno));
    }
    FileDescriptor readEnd(ends[0]);
    FileDescriptor writeEnd(ends[1]);
    const int report = writeEnd.get();

    const pid_t child = ::fork();
    if (child < 0) {
        throw ProgramStartError(program, fileErrorReason(errno));
    }
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0) {
            if (grandchild < 0) {
                sendFailure(report, errno);
            }
            ::_exit(grandchild < 0 ? 1 : 0);
        }
        // Handlers and blocked signals of this program are no business of the updater.
        for (int number = 1; number < NSIG; ++number) {
            ::sigaction(number, &defaultAction, nullptr);
        }
        ::sigprocmask(SIG_SETMASK, &noSignals, nullptr);
        // Nor are its database and lock files; only the pipe that tells a failed exec stays until then.
        if (report > 3) {
            ::close_range(3, static_cast<unsigned>(report) - 1, 0);
        }
        ::close_range(static_cast<unsigned>(report) + 1, ~0U, 0);
        ::execv(argv[0], argv.data());
        sendFailure(report, errno);
        ::_exit(127);
    }
    writeEnd.close();
    const int failure = receiveFailure(readEnd.get());
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (failure != 0) {
        throw ProgramStartError(program, fileErrorReason(failure));
    }
}

}  // namespace velmora
