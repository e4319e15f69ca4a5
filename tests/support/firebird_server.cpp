#include "support/firebird_server.h"

#include <signal.h>

#include <fstream>
#include <stdexcept>
#include <thread>

#include "support/file_bytes.h"
#include "support/loopback_port.h"

namespace velmora::test {

namespace fs = std::filesystem;

namespace {

const fs::path kFirebirdHome = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
const fs::path kSecurityDatabase = "/var/lib/firebird/3.0/system/security3.fdb";
const fs::path kServerProgram = "/usr/sbin/firebird";

}  // namespace

FirebirdServer::FirebirdServer() : port_(freeLoopbackPort()) {
    configure();
    const fs::path home = folder_.path();
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{kServerProgram.string()},
        std::vector<std::string>{"FIREBIRD=" + home.string(), "FIREBIRD_LOCK=" + (home / "lock").string()},
        (home / "server.log").string());
    waitUntilListening();
}

FirebirdServer::~FirebirdServer() {
    if (process_ && process_->running()) {
        process_->signal(SIGTERM);
        if (!process_->waitFor(std::chrono::seconds(3))) {
            process_->signal(SIGKILL);
            process_->waitFor(std::chrono::seconds(5));
        }
    }
}

std::string FirebirdServer::hostText() const { return "127.0.0.1/" + std::to_string(port_); }

std::string FirebirdServer::databaseText(const fs::path& file) const { return hostText() + ":" + file.string(); }

void FirebirdServer::kill() {
    process_->signal(SIGKILL);
    process_->waitFor(std::chrono::seconds(5));
}

void FirebirdServer::configure() {
    const fs::path home = folder_.path();
    for (const char* shared : {"plugins", "UDF", "firebird.msg"}) {
        fs::create_symlink(kFirebirdHome / shared, home / shared);
    }
    // Through a link the server finds no character sets (WIN1252 "is not defined"); a copy works.
    fs::copy(kFirebirdHome / "intl", home / "intl", fs::copy_options::recursive);
    fs::copy_file(kFirebirdHome / "plugins.conf", home / "plugins.conf");
    fs::copy_file(kSecurityDatabase, home / "security3.fdb");
    fs::create_directories(home / "lock");
    std::ofstream(home / "firebird.conf") << "RemoteBindAddress = 127.0.0.1\n"
                                          << "RemoteServicePort = " << port_ << "\n"
                                          << "SecurityDatabase = " << (home / "security3.fdb").string() << "\n";
    const auto result = runCommand({"/usr/bin/isql-fb", "-q", "-user", "SYSDBA", (home / "security3.fdb").string()},
                                   "create or alter user SYSDBA password 'plorvatec' using plugin Srp;\ncommit;\n");
    if (result.status != 0) {
        throw std::runtime_error("cannot set the test server's SYSDBA password: " + result.output);
    }
}

void FirebirdServer::waitUntilListening() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!loopbackAccepts(port_)) {
        if (!process_->running() || std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("the test Firebird server did not start: " +
                                     readBytes(folder_.path() / "server.log"));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace velmora::test
