#include "app/termination_request.h"

#include <fcntl.h>
#include <ibase.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <stdexcept>

namespace velmora {

namespace {

int pipeEnds[2] = {-1, -1};
std::atomic<bool> requestArrived{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void notify() {
    requestArrived = true;
    const char byte = 1;
    ssize_t written;
    do {
        written = ::write(pipeEnds[1], &byte, 1);
    } while (written < 0 && errno == EINTR);
}

void onSignal(int) { notify(); }

// Called by the Firebird client when it caught a termination signal: returning 1 cancels its own shutdown.
int onFirebirdShutdown(int reason, int, void*) {
    if (reason == fb_shutrsn_signal) {
        notify();
        return 1;
    }
    return 0;
}

}  // namespace

TerminationRequest::TerminationRequest(std::function<void()> onRequest) : onRequest_(std::move(onRequest)) {
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("Não foi possível preparar o encerramento do programa.");
    }
    notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        while (::read(pipeEnds[0], buffer, sizeof buffer) > 0) {
        }
        onRequest_();
    });

    // Until the client library takes the signals over, our own handlers catch them.
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(number, &action, nullptr);
    }
    ISC_STATUS_ARRAY status{};
    fb_shutdown_callback(status, onFirebirdShutdown, fb_shut_confirmation, nullptr);
}

bool TerminationRequest::arrived() { return requestArrived; }

TerminationRequest::~TerminationRequest() {
    notifier_.reset();
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

}  // namespace velmora
