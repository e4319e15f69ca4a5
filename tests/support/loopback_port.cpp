#include "support/loopback_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

namespace velmora::test {

namespace {

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A TCP socket bound to a port the kernel picks on 127.0.0.1; listening only when asked.
int boundSocket(int& port, bool listening) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
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

int freeLoopbackPort() {
    int port = 0;
    ::close(boundSocket(port, false));
    return port;
}

bool loopbackAccepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_in address = loopback(port);
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

RefusingPort::RefusingPort() : fd_(boundSocket(port_, false)) {}
RefusingPort::~RefusingPort() { ::close(fd_); }

SilentPort::SilentPort() : fd_(boundSocket(port_, true)) {}
SilentPort::~SilentPort() { ::close(fd_); }

}  // namespace velmora::test
