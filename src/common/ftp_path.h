#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// A folder on an FTP server as the client follows it: from the server's root when absolute, else from the
// folder the login lands in. "/" and "\" both separate names, as users of Windows servers write either.
struct FtpFolder {
    bool absolute = false;
    std::vector<std::string> names;

    // Where a CWD to `path` leads from here: an absolute path starts over, a relative one goes on from here.
    FtpFolder changedTo(std::string_view path) const;
    // As the user reads it in a message: "/a/b", "a/b", or "/" and "" for the two starting points.
    std::string text() const;
};

// How a server is reached: plain FTP, FTP with explicit TLS (AUTH TLS), or SSH file transfer.
enum class FtpScheme { Ftp, Ftps, Sftp };

struct FtpServerAddress {
    FtpScheme scheme = FtpScheme::Ftp;
    std::string host;
    int port = 21;
};

// A server as the user writes it: "ftps://host" or "sftp://host" choose the scheme, a bare host (or "ftp://host")
// is plain FTP; a port of 0 is the scheme's own (21, or 22 for SFTP).
FtpServerAddress serverAddress(std::string_view server, int port);
// "ftp", "ftps" or "sftp": how the journal and the messages name it.
const char* schemeName(FtpScheme scheme);
// scheme://host:port, for the journal; never an account.
std::string serverLocation(const FtpServerAddress& server);

// The URL libcurl is given: ftp:// for both FTP schemes (TLS is asked for by option), sftp:// with the folder
// from the login's home ("/~/") unless absolute.
std::string remoteUrl(const FtpServerAddress& server, const FtpFolder& folder, std::string_view fileName = {});
// The path of a file in an SFTP quote command: quoted, relative to the login's folder unless absolute.
std::string sftpQuotedPath(const FtpFolder& folder, std::string_view fileName);

// ftp://host:port/folder/file, each name percent-encoded, an absolute folder led by %2F. `fileName` empty gives
// the folder's own URL, with a trailing "/". Throws FtpError for a host or port that cannot be a server's.
std::string ftpUrl(std::string_view host, int port, const FtpFolder& folder, std::string_view fileName = {});

// Percent-encoding of everything except the unreserved characters of a URL.
std::string percentEncoded(std::string_view text);

}  // namespace velmora
