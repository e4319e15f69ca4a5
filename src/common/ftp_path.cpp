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
    if (port < 1 || port > 65535) {
        throw FtpError("A porta " + std::to_string(port) + " do servidor FTP " + std::string(host) +
                       " não é válida.");
    }
    std::string url = "ftp://" + urlHost(host) + ":" + std::to_string(port) + "/";
    if (folder.absolute) {
        url += "%2F";
    }
    for (const std::string& name : folder.names) {
        url += percentEncoded(name);
        url += '/';
    }
    url += percentEncoded(fileName);
    return url;
}

}  // namespace velmora
