#include "common/ftp_path.h"

#include "common/ftp_client.h"

namespace velmora {

FtpFolder FtpFolder::changedTo(std::string_view path) const {
    FtpFolder result = *this;
    if (!path.empty() && (path.front() == '/' || path.front() == '\\')) {
        result.absolute = true;
        result.names.clear();
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find_first_of("/\\", start);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        const std::string_view name = path.substr(start, end - start);
        if (!name.empty() && name != ".") {
            result.names.emplace_back(name);
        }
        start = end + 1;
    }
    return result;
}

std::string FtpFolder::text() const {
    std::string result = absolute ? "/" : "";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) {
            result += '/';
        }
        result += names[i];
    }
    return result;
}

std::string percentEncoded(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string result;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
            byte == '-' || byte == '.' || byte == '_' || byte == '~') {
            result += c;
        } else {
            result += '%';
            result += kHex[byte >> 4];
            result += kHex[byte & 0x0F];
        }
    }
    return result;
}

namespace {

// A host name, an IPv4 address or a bare IPv6 address; nothing that would change the meaning of the URL.
std::string urlHost(std::string_view host) {
    bool valid = !host.empty();
    for (const char c : host) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte == 0x7F || std::string_view("/\\?#@[]%\"<>`{}|^").find(c) != std::string_view::npos) {
            valid = false;
        }
    }
    if (!valid) {
        throw FtpError("O nome do servidor FTP \"" + std::string(host) + "\" não é válido.");
    }
    if (host.find(':') != std::string_view::npos) {
        return "[" + std::string(host) + "]";
    }
    return std::string(host);
}

}  // namespace

std::string ftpUrl(std::string_view host, int port, const FtpFolder& folder, std::string_view fileName) {
    return remoteUrl(FtpServerAddress{FtpScheme::Ftp, std::string(host), port}, folder, fileName);
}

std::string remoteUrl(const FtpServerAddress& server, const FtpFolder& folder, std::string_view fileName) {
    if (server.port < 1 || server.port > 65535) {
        throw FtpError("A porta " + std::to_string(server.port) + " do servidor FTP " + server.host +
                       " não é válida.");
    }
    const bool sftp = server.scheme == FtpScheme::Sftp;
    std::string url = (sftp ? "sftp://" : "ftp://") + urlHost(server.host) + ":" + std::to_string(server.port) + "/";
    if (sftp && !folder.absolute) {
        url += "~/";
    } else if (!sftp && folder.absolute) {
        url += "%2F";
    }
    for (const std::string& name : folder.names) {
        url += percentEncoded(name);
        url += '/';
    }
    url += percentEncoded(fileName);
    return url;
}

std::string sftpQuotedPath(const FtpFolder& folder, std::string_view fileName) {
    // A relative path starts at the login's folder on every server; curl does not expand "/~/" here.
    std::string path = folder.absolute ? "/" : "";
    for (const std::string& name : folder.names) {
        path += name;
        path += '/';
    }
    path += fileName;
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + '"';
}

namespace {

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char c = text[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) != prefix[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

FtpServerAddress serverAddress(std::string_view server, int port) {
    FtpServerAddress address;
    for (const FtpScheme scheme : {FtpScheme::Ftp, FtpScheme::Ftps, FtpScheme::Sftp}) {
        const std::string prefix = std::string(schemeName(scheme)) + "://";
        if (startsWithIgnoringCase(server, prefix)) {
            address.scheme = scheme;
            server.remove_prefix(prefix.size());
            break;
        }
    }
    // "ftps://host/" as a browser writes it.
    while (!server.empty() && server.back() == '/') {
        server.remove_suffix(1);
    }
    address.host = std::string(server);
    address.port = port != 0 ? port : address.scheme == FtpScheme::Sftp ? 22 : 21;
    return address;
}

const char* schemeName(FtpScheme scheme) {
    switch (scheme) {
    case FtpScheme::Ftps:
        return "ftps";
    case FtpScheme::Sftp:
        return "sftp";
    case FtpScheme::Ftp:
        break;
    }
    return "ftp";
}

std::string serverLocation(const FtpServerAddress& server) {
    return std::string(schemeName(server.scheme)) + "://" + server.host + ":" + std::to_string(server.port);
}

}  // namespace velmora
