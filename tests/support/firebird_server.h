#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "support/child_process.h"
#include "support/scratch_folder.h"

namespace velmora::test {

// A Firebird server of the test's own on 127.0.0.1 and a free port, with its own configuration and security
// database (SYSDBA / plorvatec), so that a test can take the server away under a connected client.
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

private:
    void configure();
    void waitUntilListening();

    ScratchFolder folder_;
    int port_ = 0;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace velmora::test
