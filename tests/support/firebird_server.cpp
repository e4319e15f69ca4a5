#include "support/firebird_server.h"

#include <signal.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <thread>

#include "support/file_bytes.h"
#include "support/loopback_port.h"

namespace velmora::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const fs::path kFirebirdHome = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
const fs::path kSecurityDatabase = "/var/lib/firebird/3.0/system/security3.fdb";
const fs::path kServerProgram = "/usr/sbin/firebird";
const fs::path kIsql = "/usr/bin/isql-fb";
// Where the server writes its own messages (a port it cannot bind, say), whatever its configuration.
const fs::path kFirebirdLog = "/var/log/firebird/firebird3.0.log";
const std::string kAttachedMark = "attached-to-test-server";

constexpr int kStarts = 4;
// Far above a start on a loaded machine (well under a second), well below the test's own time-out.
constexpr auto kStartBound = 20s;
constexpr auto kAttachBound = 10s;

// Runs a program to its end, its output into `log`; the exit status, or nullopt when it outlived `bound` (and
// was killed).
std::optional<int> runBounded(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                              const fs::path& log, std::chrono::seconds bound) {
    ChildProcess child(arguments, environment, log.string());
    return child.waitFor(bound);
}

std::uintmax_t sizeOf(const fs::path& file) {
    std::error_code error;
    const auto size = fs::file_size(file, error);
    return error ? 0 : size;
}

// A program's output for a message: without its blank lines around, and seen to be empty.
std::string shown(const std::string& text) {
    constexpr const char* kBlanks = " \t\r\n";
    const auto first = text.find_first_not_of(kBlanks);
    return first == std::string::npos ? "nothing" : text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// What `file` gained after it was `size` long, the last part only.
std::string textAfter(const fs::path& file, std::uintmax_t size) {
    constexpr std::uintmax_t kMost = 4000;
    std::ifstream in(file, std::ios::binary);
    const std::uintmax_t end = sizeOf(file);
    in.seekg(static_cast<std::streamoff>(std::max(size, end > kMost ? end - kMost : 0)));
    return shown(std::string(std::istreambuf_iterator<char>(in), {}));
}

}  // namespace

FirebirdServer::FirebirdServer() {
    const std::uintmax_t firebirdLogSize = sizeOf(kFirebirdLog);
    std::string failures;
    for (int attempt = 1; attempt <= kStarts; ++attempt) {
        const std::string failure = start(folder_.path() / ("start-" + std::to_string(attempt)));
        if (failure.empty()) {
            return;
        }
        failures += "\nstart " + std::to_string(attempt) + " on port " + std::to_string(port_) + ": " + failure;
        stop();
    }
    throw std::runtime_error("the test Firebird server was not usable after " + std::to_string(kStarts) +
                             " starts:" + failures + "\nWhat the server's own log " + kFirebirdLog.string() +
                             " gained meanwhile:\n" + textAfter(kFirebirdLog, firebirdLogSize));
}

FirebirdServer::~FirebirdServer() {
    if (process_ && process_->running()) {
        process_->signal(SIGTERM);
        if (!process_->waitFor(3s)) {
            stop();
        }
    }
}

std::string FirebirdServer::hostText() const { return "127.0.0.1/" + std::to_string(port_); }

std::string FirebirdServer::databaseText(const fs::path& file) const { return hostText() + ":" + file.string(); }

void FirebirdServer::kill() { stop(); }

std::string FirebirdServer::start(const fs::path& home) {
    home_ = home;
    const ReservedPort reserved;  // until the server is usable, so that nothing else can be found on the port
    port_ = reserved.port();
    return launch();
}

void FirebirdServer::restart() {
    stop();
    home_ = folder_.path() / ("restart-" + std::to_string(++restarts_));
    // The port was this server's a moment ago; a busy machine may still hand it to somebody else meanwhile.
    if (const std::string failure = launch(); !failure.empty()) {
        throw std::runtime_error("the test Firebird server did not come back on port " + std::to_string(port_) + ": " +
                                 failure);
    }
}

std::string FirebirdServer::launch() {
    configure();
    const fs::path log = home_ / "server.log";
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{kServerProgram.string()},
        std::vector<std::string>{"FIREBIRD=" + home_.string(), "FIREBIRD_LOCK=" + (home_ / "lock").string()},
        log.string());
    const std::string failure = waitUntilUsable();
    if (failure.empty()) {
        return {};
    }
    return failure + "\n  its output: " + shown(readBytes(log));
}

void FirebirdServer::configure() const {
    fs::create_directories(home_ / "lock");
    for (const char* shared : {"plugins", "UDF", "firebird.msg"}) {
        fs::create_symlink(kFirebirdHome / shared, home_ / shared);
    }
    // Through a link the server finds no character sets (WIN1252 "is not defined"); a copy works.
    fs::copy(kFirebirdHome / "intl", home_ / "intl", fs::copy_options::recursive);
    fs::copy_file(kFirebirdHome / "plugins.conf", home_ / "plugins.conf");
    fs::copy_file(kSecurityDatabase, home_ / "security3.fdb");
    std::ofstream(home_ / "firebird.conf") << "RemoteBindAddress = 127.0.0.1\n"
                                           << "RemoteServicePort = " << port_ << "\n"
                                           << "SecurityDatabase = " << (home_ / "security3.fdb").string() << "\n";
    std::ofstream(home_ / "setup.sql") << "create or alter user SYSDBA password 'plorvatec' using plugin Srp;\n"
                                          "commit;\n";
    std::ofstream(home_ / "attach.sql") << "select '" << kAttachedMark << "' from rdb$database;\n";
    // With this configuration the user goes into the copy; the machine's own security database, which other
    // test servers copy, is neither changed nor locked.
    const fs::path log = home_ / "setup.log";
    const auto status = runBounded(
        {kIsql.string(), "-q", "-b", "-user", "SYSDBA", "-i", (home_ / "setup.sql").string(),
         (home_ / "security3.fdb").string()},
        {"FIREBIRD=" + home_.string(), "FIREBIRD_LOCK=" + (home_ / "lock").string()}, log, 60s);
    if (status != 0) {
        throw std::runtime_error("cannot set the test server's SYSDBA password: " + readBytes(log));
    }
}

std::string FirebirdServer::waitUntilUsable() const {
    const auto deadline = std::chrono::steady_clock::now() + kStartBound;
    for (;;) {
        if (!process_->running()) {
            return "the server ended with status " + std::to_string(process_->waitFor(0ms).value_or(-1));
        }
        // Only an attachment shows that what answers on the port is this server, and able to serve.
        const std::string failure = attachFailure();
        if (failure.empty()) {
            return {};
        }
        if (std::chrono::steady_clock::now() > deadline) {
            return "no client attached within " + std::to_string(kStartBound.count()) +
                   " s; the last try: " + failure;
        }
        std::this_thread::sleep_for(50ms);
    }
}

std::string FirebirdServer::attachFailure() const {
    const fs::path log = home_ / "attach.log";
    const auto status =
        runBounded({kIsql.string(), "-q", "-user", "SYSDBA", "-password", "plorvatec", "-i",
                    (home_ / "attach.sql").string(), databaseText(home_ / "security3.fdb")},
                   {}, log, kAttachBound);
    const std::string output = readBytes(log);
    if (!status) {
        return "no answer within " + std::to_string(kAttachBound.count()) + " s";
    }
    return *status == 0 && output.find(kAttachedMark) != std::string::npos ? std::string{} : shown(output);
}

void FirebirdServer::stop() {
    if (process_) {
        process_->signal(SIGKILL);
        process_->waitFor(5s);
    }
}

}  // namespace velmora::test
