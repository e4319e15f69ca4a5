#include "update/process_launcher.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace velmora {

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

    const pid_t child = ::fork();
    if (child < 0) {
        return;
    }
    if (child == 0) {
        ::setsid();
        const pid_t grandchild = ::fork();
        if (grandchild != 0) {
            ::_exit(grandchild < 0 ? 1 : 0);
        }
        // Handlers and blocked signals of this program are no business of the updater.
        for (int number = 1; number < NSIG; ++number) {
            ::sigaction(number, &defaultAction, nullptr);
        }
        ::sigprocmask(SIG_SETMASK, &noSignals, nullptr);
        // Nor are its database and lock files.
        ::close_range(3, ~0U, 0);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace velmora
