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

// ftp://host:port/folder/file, each name percent-encoded, an absolute folder led by %2F. `fileName` empty gives
// the folder's own URL, with a trailing "/". Throws FtpError for a host or port that cannot be a server's.
std::string ftpUrl(std::string_view host, int port, const FtpFolder& folder, std::string_view fileName = {});

// Percent-encoding of everything except the unreserved characters of a URL.
std::string percentEncoded(std::string_view text);

}  // namespace velmora
