#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "support/child_process.h"
#include "support/scratch_folder.h"

namespace velmora::test {

// A Firebird server of the test's own on 127.0.0.1 and a free port, with its own configuration and security
// database (SYSDBA / plorvatec), so that a test can take the server away under a connected client. Ready once
// a client has really attached through it; started again on another port when that does not happen.
class FirebirdServer {
public:
    FirebirdServer();
    ~FirebirdServer();
    FirebirdServer(const FirebirdServer&) = delete;
    FirebirdServer& operator=(const FirebirdServer&) = delete;

    int port() const { return port_; }
    // The "Servidor" value of the server INI that reaches this server: "127.0.0.1/<port>".
    std::string hostText() const;
    // A connection text for a database file on this machine.
    std::string databaseText(const std::filesystem::path& file) const;

    // Gone at once, like a server whose machine went down.
    void kill();
    // Killed if it runs, then started again on the same port, as a service restarted for a backup or an update.
    void restart();

private:
    // Empty when the server started in `home` is usable, else why not.
    std::string start(const std::filesystem::path& home);
    std::string launch();
    void configure() const;
    std::string waitUntilUsable() const;
    // Empty when a client attached to the server's own security database, else what the client said.
    std::string attachFailure() const;
    void stop();

    ScratchFolder folder_;
    std::filesystem::path home_;  // the current start's folder: configuration, security database, logs
    int port_ = 0;
    int restarts_ = 0;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace velmora::test
