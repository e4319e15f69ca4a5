#pragma once

namespace velmora::test {

// A port on 127.0.0.1 that the kernel hands to no other socket (bind to port 0, outgoing connection) while this
// lives, yet which a server binding it with SO_REUSEADDR (as Firebird does) can take: nobody slips in between
// the choice of the port and the server's bind.
class ReservedPort {
public:
    ReservedPort();
    ~ReservedPort();
    ReservedPort(const ReservedPort&) = delete;
    ReservedPort& operator=(const ReservedPort&) = delete;
    int port() const { return port_; }

private:
    int port_ = 0;  // before fd_: filled while fd_ is made
    int fd_ = -1;
};

// A port on 127.0.0.1 that is taken but where nobody listens: every connection is refused at once.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    int port() const { return port_; }

private:
    int port_ = 0;  // before fd_: filled while fd_ is made
    int fd_ = -1;
};

// A port on 127.0.0.1 that accepts connections and then never says a word, like a hung server.
class SilentPort {
public:
    SilentPort();
    ~SilentPort();
    SilentPort(const SilentPort&) = delete;
    SilentPort& operator=(const SilentPort&) = delete;
    int port() const { return port_; }

private:
    int port_ = 0;  // before fd_: filled while fd_ is made
    int fd_ = -1;
};

}  // namespace velmora::test
