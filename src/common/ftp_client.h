#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora {

// What an FTP failure tells the user: the operation, the server and the reason; never the password.
class FtpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An operation stopped because the program is ending.
class FtpCancelled : public FtpError {
public:
    using FtpError::FtpError;
};

struct FtpSettings {
    std::string host;  // "ftps://host" (explicit TLS) and "sftp://host" (SSH) choose the scheme; bare: plain FTP
    int port = 21;     // 0: the scheme's own
    std::string user;
    std::string password;
    bool passive = true;  // FTP and FTPS
    // The server data folder, whose velmoraMonitorPublicacao.ca.pem and .known_hosts are shared by the
    // installation's machines; SFTP needs it.
    std::string trustFolder{};
};

// The program's one FTP client, shared by the report uploads and the survey upload: one logged-in
// control connection from connect() to disconnect(), binary transfers, time-outs so that a dead server never
// freezes the monitor. FTPS protects the login and every transfer with TLS 1.2 or newer and checks the server's
// certificate; SFTP checks the server's key against the one recorded at the first connection.
class FtpClient {
public:
    FtpClient();
    ~FtpClient();
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;

    // Takes effect at the next connect().
    void setSettings(FtpSettings settings);
    const FtpSettings& settings() const;

    void connect();  // drops any open connection, then connects and logs in
    bool connected() const;
    void disconnect();

    void changeDirectory(const std::string& remoteFolder);
    // The plain name list (NLST) of the current remote folder.
    std::vector<std::string> nameList();
    void deleteFile(const std::string& remoteName);
    // Uploads the whole local file with STOR; a file of that name is replaced.
    void upload(const std::filesystem::path& localFile, const std::string& remoteName);
    // RNFR/RNTO within the current folder; whether an existing `to` is replaced or the rename refused is the
    // server's choice.
    void rename(const std::string& from, const std::string& to);
    // SIZE of a remote file; -1 when the server does not report it.
    std::int64_t remoteSize(const std::string& remoteName);

    // Defaults: connect 30 s; a transfer without progress for 60 s fails.
    void setTimeouts(std::chrono::seconds connect, std::chrono::seconds stalled);
    // Asked before and about once a second during every operation, also while a server is stalled; once it
    // answers true, operations stop with FtpCancelled instead of waiting for their time-outs, and the connection
    // is dropped without waiting for the server either.
    void setCancelCheck(std::function<bool()> check);
    // Told, for the run journal, when an SFTP server's key is seen for the first time and recorded.
    void setHostKeyNotice(std::function<void(const std::string& text)> notice);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Disconnects the client however an operation on it ends.
class FtpConnectionScope {
public:
    explicit FtpConnectionScope(FtpClient& ftp) : ftp_(ftp) {}
    ~FtpConnectionScope() {
        if (ftp_.connected()) {
            ftp_.disconnect();
        }
    }
    FtpConnectionScope(const FtpConnectionScope&) = delete;
    FtpConnectionScope& operator=(const FtpConnectionScope&) = delete;

private:
    FtpClient& ftp_;
};

}  // namespace velmora
