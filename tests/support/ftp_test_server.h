#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "common/ftp_client.h"
#include "common/ftp_path.h"
#include "support/child_process.h"
#include "support/scratch_folder.h"

namespace velmora::test {

// How the test server behaves; the defaults give a well-behaved server with one account.
struct FtpServerOptions {
    // FTPS: TLS required on the login and every transfer, a certificate made for the test by a CA of its own.
    // SFTP: another server (asyncssh) with a host key made for the test; only the account and
    // exitUploadAfter apply.
    FtpScheme scheme = FtpScheme::Ftp;
    std::string user = "velmora";
    std::string password = "s3nh@-Secreta";
    bool sizeCommand = true;          // false: SIZE is answered as an unknown command
    bool refuseLogin = false;         // every login is refused, whatever the password
    bool readOnly = false;            // the account may list and download, never upload or delete
    bool refuseEmptyListing = false;  // NLST of an empty folder is answered "550 No files found."
    // An upload that has brought this many bytes loses its data connection (the server answers 426).
    std::int64_t dropUploadAfter = -1;
    // Once an upload has brought this many bytes the whole server stops answering, like a machine gone away.
    std::int64_t stallUploadAfter = -1;
    bool refuseRename = false;              // every RNTO is answered 550
    bool refuseRenameOntoExisting = false;  // RNTO onto an existing name is answered 550, as on some Windows servers
    // PORT and EPRT are accepted but the server's connection never arrives, as when a firewall drops it.
    bool ignoreActiveMode = false;
    // Once an upload has brought this many bytes the server process ends, like a machine that went away.
    std::int64_t exitUploadAfter = -1;
    std::string certificateName = "127.0.0.1";  // FTPS: the name the server's certificate is made for
    bool expiredCertificate = false;            // FTPS: a certificate valid only until yesterday
    bool withoutSshRsa = false;  // SFTP: the RSA host key only as rsa-sha2-*, as OpenSSH 8.8 and newer by default
};

// A real FTP server (pyftpdlib) on 127.0.0.1 and a free port, serving a fresh temporary folder; stopped and
// removed when the object goes.
class FtpTestServer {
public:
    explicit FtpTestServer(FtpServerOptions options = {});
    ~FtpTestServer();
    FtpTestServer(const FtpTestServer&) = delete;
    FtpTestServer& operator=(const FtpTestServer&) = delete;

    std::string host() const { return "127.0.0.1"; }
    // The host as the report's server field gives it: with "ftps://" or "sftp://" for those schemes.
    std::string address() const;
    int port() const { return port_; }
    const FtpServerOptions& options() const { return options_; }
    // Host, port and the account, ready for an FtpClient.
    FtpSettings settings() const;
    // The account's home folder on this machine: what the server shows as "/".
    std::filesystem::path root() const { return folder_.path() / "root"; }
    // The server's log: one line per command answered and per transfer.
    std::string log() const;
    // Bytes of the largest file under the root: how far an upload has come, also while the server is stalled.
    std::int64_t largestFileSize() const;
    // An upload has brought the bytes after which the server stops answering.
    bool stalled() const;
    // FTPS: the certificate (PEM) of the authority that signed the server's certificate.
    std::filesystem::path certificateAuthority() const { return folder_.path() / "ca.pem"; }
    // SFTP: the server's key as OpenSSH shows it, "SHA256:...".
    std::string hostKeyFingerprint() const;

private:
    FtpServerOptions options_;
    ScratchFolder folder_;
    int port_ = 0;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace velmora::test
