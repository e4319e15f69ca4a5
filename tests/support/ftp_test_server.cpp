#include "support/ftp_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace velmora::test {

namespace fs = std::filesystem;

namespace {

const std::string kPython = "/usr/bin/python3";

std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A TCP socket bound to a port the kernel picks on 127.0.0.1; listening only when asked.
int boundSocket(int& port, bool listening) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        (listening && ::listen(fd, 8) != 0)) {
        if (fd >= 0) {
            ::close(fd);
        }
        throw std::runtime_error("no port on 127.0.0.1 for the test");
    }
    port = ntohs(address.sin_port);
    return fd;
}

}  // namespace

FtpTestServer::FtpTestServer(FtpServerOptions options) : options_(std::move(options)) {
    fs::create_directories(root());
    const fs::path portFile = folder_.path() / "port";
    std::vector<std::string> arguments = {kPython,
                                          std::string(VELMORA_FIXTURES_DIR) + "/../support/ftp_server.py",
                                          "--root",
                                          root().string(),
                                          "--port-file",
                                          portFile.string(),
                                          "--user",
                                          options_.user,
                                          "--password",
                                          options_.password};
    if (!options_.sizeCommand) {
        arguments.push_back("--no-size");
    }
    if (options_.refuseLogin) {
        arguments.push_back("--refuse-login");
    }
    if (options_.readOnly) {
        arguments.push_back("--read-only");
    }
    if (options_.hideFromListing) {
        arguments.push_back("--hide-from-listing");
    }
    if (options_.refuseEmptyListing) {
        arguments.push_back("--refuse-empty-listing");
    }
    if (options_.dropUploadAfter >= 0) {
        arguments.insert(arguments.end(), {"--drop-upload-after", std::to_string(options_.dropUploadAfter)});
    }
    if (options_.stallUploadAfter >= 0) {
        arguments.insert(arguments.end(), {"--stall-upload-after", std::to_string(options_.stallUploadAfter)});
    }
    process_ = std::make_unique<ChildProcess>(arguments, std::vector<std::string>{},
                                              (folder_.path() / "server.log").string());

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!fs::exists(portFile)) {
        if (!process_->running() || std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("the test FTP server did not start: " + log());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    port_ = std::stoi(readText(portFile));
}

FtpTestServer::~FtpTestServer() = default;  // the child is killed and reaped before the folder goes

FtpSettings FtpTestServer::settings() const {
    FtpSettings settings;
    settings.host = host();
    settings.port = port_;
    settings.user = options_.user;
    settings.password = options_.password;
    return settings;
}

std::string FtpTestServer::log() const { return readText(folder_.path() / "server.log"); }

RefusingPort::RefusingPort() : fd_(boundSocket(port_, false)) {}
RefusingPort::~RefusingPort() { ::close(fd_); }

SilentPort::SilentPort() : fd_(boundSocket(port_, true)) {}
SilentPort::~SilentPort() { ::close(fd_); }

}  // namespace velmora::test
