#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace velmora {

// SIGTERM, SIGINT and SIGHUP (logout, shutdown, kill) end the monitor the orderly way. The Firebird client
// catches these signals itself and would only shut the connections down, leaving the monitor running without a
// database; its shutdown callback hands them to us instead, and a pipe brings them onto the window's thread.
class TerminationRequest final : public QObject {
public:
    explicit TerminationRequest(std::function<void()> onRequest);
    ~TerminationRequest() override;

    // Already true while the window's thread is still busy (an FTP transfer), before the request reaches it.
    static bool arrived();

private:
    std::function<void()> onRequest_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace velmora
