#pragma once

#include <string>

namespace velmora {

class Connection;

// Start-up check of the program against the copy in the server's update folder.
class UpdateCheck {
public:
    virtual ~UpdateCheck() = default;
    // Records what the check needs once the first connection has succeeded.
    virtual void PrepararAtualizador(const std::string& databaseName, const std::string& serverIniPath);
    // Mode 1 compares the program files; it may ask the program to end or hand over to the updater.
    virtual void VerificarAtualizacao(Connection& connection, int mode);

    const std::string& serverIniPath() const { return serverIniPath_; }

private:
    std::string serverIniPath_;
};

}  // namespace velmora
