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

enum class Use { Refusing, Listening, Reserved };

// A TCP socket bound to a port the kernel picks on 127.0.0.1.
int boundSocket(int& port, Use use) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int shared = use == Use::Reserved ? 1 : 0;  // a server to come may bind it too
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &shared, sizeof shared) != 0 ||
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        (use == Use::Listening && ::listen(fd, 8) != 0)) {
        if (fd >= 0) {
            ::close(fd);
        }
        throw std::runtime_error("no port on 127.0.0.1 for the test");
    }
    port = ntohs(address.sin_port);
    return fd;
}

}  // namespace

ReservedPort::ReservedPort() : fd_(boundSocket(port_, Use::Reserved)) {}
ReservedPort::~ReservedPort() { ::close(fd_); }

RefusingPort::RefusingPort() : fd_(boundSocket(port_, Use::Refusing)) {}
RefusingPort::~RefusingPort() { ::close(fd_); }

SilentPort::SilentPort() : fd_(boundSocket(port_, Use::Listening)) {}
SilentPort::~SilentPort() { ::close(fd_); }

}  // namespace velmora::test
