#include "support/firebird_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>
#include <thread>

namespace velmora::test {

namespace fs = std::filesystem;

namespace {

const fs::path kFirebirdHome = "/usr/lib/x86_64-linux-gnu/firebird/3.0";
const fs::path kSecurityDatabase = "/var/lib/firebird/3.0/system/security3.fdb";
const fs::path kServerProgram = "/usr/sbin/firebird";

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// The kernel's choice of a free port; the small race until the server binds it is acceptable in tests.
int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        throw std::runtime_error("no free port for the Firebird server");
    }
    ::close(fd);
    return ntohs(address.sin_port);
}

bool accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(port);
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

}  // namespace

FirebirdServer::FirebirdServer() : port_(freePort()) {
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
    while (!accepts(port_)) {
        if (!process_->running() || std::chrono::steady_clock::now() > deadline) {
            std::ifstream log(folder_.path() / "server.log");
            std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
            throw std::runtime_error("the test Firebird server did not start: " + text);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

}  // namespace velmora::test
