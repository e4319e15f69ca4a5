#pragma once

namespace velmora::test {

// The kernel's choice of a free port on 127.0.0.1; the small race until a server binds it is acceptable in tests.
int freeLoopbackPort();

// Whether something on 127.0.0.1 accepts a connection on `port`.
bool loopbackAccepts(int port);

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
