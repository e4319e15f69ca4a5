#include "common/ftp_client.h"

#include <curl/curl.h>
#ifndef _WIN32
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <new>
#include <set>
#include <string_view>

#include "common/file_error.h"
#include "common/ftp_path.h"
#include "common/base64.h"
#include "common/ftp_trust.h"
#include "common/platform_files.h"
#include "common/ssh_fingerprint.h"
#include "common/text.h"
#include "common/utf8_path.h"

namespace velmora {

namespace {

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CommandList = std::unique_ptr<curl_slist, ListDeleter>;

// A firewall drops the server's connection to a program it does not know without a word, so this is what a
// time-out in active mode most likely means.
const char* const kActiveModeFirewallHint =
    "; no modo ativo é o servidor que abre a conexão de dados com este computador, e o firewall (no Windows, o "
    "Firewall do Windows) bloqueia essa conexão para um programa que ele não conhece: permita o monitor no firewall "
    "ou use o modo passivo";

const char* const kCancelledText = "O envio ao servidor FTP foi interrompido porque o monitor está sendo encerrado.";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OpenFile = std::unique_ptr<std::FILE, FileCloser>;

void initialiseCurlOnce() {
    static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (result != CURLE_OK) {
        throw FtpError("Não foi possível iniciar a biblioteca de FTP: " + std::string(curl_easy_strerror(result)));
    }
}

// What went wrong, in the user's words; curl's own texts are English.
std::string reasonText(CURLcode code, const char* detail) {
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return "o nome do servidor não foi encontrado";
    case CURLE_COULDNT_CONNECT:
        return "o servidor não aceitou a conexão";
    case CURLE_OPERATION_TIMEDOUT:
        return "o servidor deixou de responder dentro do tempo limite";
    case CURLE_LOGIN_DENIED:
        return "o servidor recusou o usuário ou a senha";
    case CURLE_REMOTE_ACCESS_DENIED:
        return "a pasta não existe ou o acesso a ela foi negado";
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return "o arquivo não existe no servidor";
    case CURLE_QUOTE_ERROR:
        return "o servidor recusou o comando";
    case CURLE_UPLOAD_FAILED:
        return "o servidor recusou o envio";
    case CURLE_FTP_COULDNT_RETR_FILE:
        return "o servidor recusou a transferência";
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
        return "a conexão foi interrompida durante a transferência";
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_COULDNT_SET_TYPE:
        return "o servidor deu uma resposta inesperada";
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_ACCEPT_TIMEOUT:
        return "o servidor não abriu a conexão de dados no modo ativo";
    case CURLE_REMOTE_DISK_FULL:
        return "o disco do servidor está cheio";
    case CURLE_READ_ERROR:
        return "o arquivo local não pôde ser lido";
    case CURLE_URL_MALFORMAT:
        return "o nome do arquivo ou da pasta não pode ser usado";
    case CURLE_USE_SSL_FAILED:
        return "o servidor não aceita conexão segura (AUTH TLS)";
    case CURLE_SSL_CONNECT_ERROR:
        return std::string("a conexão segura (TLS 1.2 ou mais nova) com o servidor falhou (") +
               (detail != nullptr && *detail != '\0' ? detail : curl_easy_strerror(code)) + ")";
    case CURLE_FAILED_INIT:
        if (detail != nullptr && std::string_view(detail).find("ssh session") != std::string_view::npos) {
            return sshSessionFailure(detail);
        }
        break;
    case CURLE_SSL_CACERT_BADFILE:
        return std::string("o arquivo ") + kSiteCertificatesFileName + " não contém certificados PEM válidos";
    default:
        break;
    }
    return std::string("erro ") + std::to_string(static_cast<int>(code)) + " (" +
           (detail != nullptr && *detail != '\0' ? detail : curl_easy_strerror(code)) + ")";
}

bool isRefusal(std::string_view reply) {
    return reply.size() >= 3 && (reply[0] == '4' || reply[0] == '5') && reply[1] >= '0' && reply[1] <= '9' &&
           reply[2] >= '0' && reply[2] <= '9';
}

void requirePlainName(const std::string& name, const std::string& what) {
    bool plain = !name.empty();
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < ' ' || c == '/' || c == '\\') {
            plain = false;
        }
    }
    if (!plain) {
        throw FtpError("O nome de arquivo \"" + name + "\" não pode ser usado para " + what + " no servidor FTP.");
    }
}

size_t keepReply(char* data, size_t size, size_t count, void* target) {
    std::string_view line(data, size * count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    static_cast<std::string*>(target)->assign(line);
    return size * count;
}

size_t appendData(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

size_t discardData(char*, size_t size, size_t count, void*) { return size * count; }

int askCancelCheck(void* check, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return (*static_cast<std::function<bool()>*>(check))() ? 1 : 0;
}

// The sockets libcurl holds for this client, so that an ending program can cut them: closing a connection that
// is still valid, libcurl says QUIT and waits up to the stall time-out for an answer a stalled server never gives.
using OpenSockets = std::set<curl_socket_t>;

#ifdef _WIN32
constexpr int kBothDirections = SD_BOTH;
int closeSocketNow(curl_socket_t socket) { return ::closesocket(socket); }
#else
constexpr int kBothDirections = SHUT_RDWR;
int closeSocketNow(curl_socket_t socket) { return ::close(socket); }
#endif

curl_socket_t openSocket(void* sockets, curlsocktype, curl_sockaddr* address) {
    const curl_socket_t socket = ::socket(address->family, address->socktype, address->protocol);
    if (socket != CURL_SOCKET_BAD) {
        try {
            static_cast<OpenSockets*>(sockets)->insert(socket);
        } catch (const std::bad_alloc&) {
            closeSocketNow(socket);
            return CURL_SOCKET_BAD;
        }
    }
    return socket;
}

int closeSocket(void* sockets, curl_socket_t socket) {
    static_cast<OpenSockets*>(sockets)->erase(socket);
    return closeSocketNow(socket);
}

// The server data folder's file of the site's own certificates; empty when there is none.
std::string siteCertificates(const std::string& trustFolder) {
    if (trustFolder.empty()) {
        return {};
    }
    const std::filesystem::path file = utf8Path(trustFolder) / kSiteCertificatesFileName;
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        return {};
    }
    std::ifstream in(file, std::ios::binary);
    std::string pem((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) {
        throw FtpError(fileErrorMessage("ler", file, errno));
    }
    return pem;
}

// The raw key of curl's description, which is base64 text when it has no length.
std::string keyBlob(const curl_khkey& key) {
    if (key.len != 0) {
        return std::string(key.key, key.len);
    }
    return base64Decoded(key.key).value_or(std::string{});
}

size_t readFile(char* buffer, size_t size, size_t count, void* file) {
    const size_t read = std::fread(buffer, size, count, static_cast<std::FILE*>(file));
    if (read < count && std::ferror(static_cast<std::FILE*>(file)) != 0) {
        return CURL_READFUNC_ABORT;
    }
    return read;
}

}  // namespace

struct FtpClient::State {
    FtpSettings settings;
    FtpSettings active;  // what the open connection was made with; the host without its scheme
    FtpScheme scheme = FtpScheme::Ftp;
    std::string trustedCertificates;  // besides the system's
    std::string knownHosts;
    std::string hostKeyRefusal;  // why the last connection refused the server's key
    std::function<void(const std::string&)> hostKeyNotice;
    FtpFolder folder;
    std::chrono::seconds connectTimeout{30};
    std::chrono::seconds stalledTimeout{60};
    std::function<bool()> cancelCheck;
    OpenSockets sockets;
    std::string lastReply;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    EasyHandle handle;  // last, so it goes first: it points at the members above

    std::string serverText() const { return active.host + ", porta " + std::to_string(active.port); }

    [[noreturn]] void fail(const std::string& operation, const std::string& reason) const {
        std::string message = "Não foi possível " + operation + " " + serverText() + ": " + reason;
        if (isRefusal(lastReply)) {
            message += " (resposta do servidor: " + lastReply + ")";
        }
        message += '.';
        if (!active.password.empty()) {
            message = replaceAll(message, active.password, "******");
        }
        throw FtpError(message);
    }

    void checkNotCancelled() const {
        if (cancelCheck && cancelCheck()) {
            throw FtpCancelled(kCancelledText);
        }
    }

    CURL* require(const std::string& operation) const {
        checkNotCancelled();
        if (!handle) {
            throw FtpError("Não foi possível " + operation + ": não há conexão com o servidor.");
        }
        return handle.get();
    }

    // A fresh set of options on the same handle; the logged-in connection stays in the handle's cache.
    void prepare(CURL* curl, const std::string& url) {
        curl_easy_reset(curl);
        lastReply.clear();
        errorBuffer[0] = '\0';
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, scheme == FtpScheme::Sftp ? "sftp" : "ftp");
        if (scheme == FtpScheme::Ftps) {
            curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
            curl_easy_setopt(curl, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
            curl_easy_setopt(curl, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
            if (!trustedCertificates.empty()) {
                curl_blob blob{trustedCertificates.data(), trustedCertificates.size(), CURL_BLOB_COPY};
                curl_easy_setopt(curl, CURLOPT_CAINFO_BLOB, &blob);
            }
        } else if (scheme == FtpScheme::Sftp) {
            curl_easy_setopt(curl, CURLOPT_SSH_AUTH_TYPES,
                             static_cast<long>(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
            curl_easy_setopt(curl, CURLOPT_SSH_KNOWNHOSTS, knownHosts.c_str());
            curl_easy_setopt(curl, CURLOPT_SSH_KEYFUNCTION, checkHostKey);
            curl_easy_setopt(curl, CURLOPT_SSH_KEYDATA, this);
        }
        curl_easy_setopt(curl, CURLOPT_USERNAME, active.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, active.password.c_str());
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
        curl_easy_setopt(curl, CURLOPT_OPENSOCKETFUNCTION, openSocket);
        curl_easy_setopt(curl, CURLOPT_OPENSOCKETDATA, &sockets);
        curl_easy_setopt(curl, CURLOPT_CLOSESOCKETFUNCTION, closeSocket);
        curl_easy_setopt(curl, CURLOPT_CLOSESOCKETDATA, &sockets);
        curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, keepReply);
        curl_easy_setopt(curl, CURLOPT_HEADERDATA, &lastReply);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, discardData);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeout.count()));
        // A transfer without a byte for this long, or a reply that does not come, fails.
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(stalledTimeout.count()));
        curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(stalledTimeout.count()));
        curl_easy_setopt(curl, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(stalledTimeout.count() * 1000));
        if (!active.passive) {
            curl_easy_setopt(curl, CURLOPT_FTPPORT, "-");
        }
        if (cancelCheck) {
            curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
            curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, askCancelCheck);
            curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &cancelCheck);
        }
    }

    void perform(CURL* curl, const std::string& operation) {
        const CURLcode result = curl_easy_perform(curl);
        if (result != CURLE_OK) {
            fail(curl, operation, result);
        }
    }

    [[noreturn]] void fail(CURL* curl, const std::string& operation, CURLcode result) {
        if (result == CURLE_ABORTED_BY_CALLBACK) {
            abandonConnection(curl);
            throw FtpCancelled(kCancelledText);
        }
        std::string reason = reasonText(result, errorBuffer);
        if (result == CURLE_PEER_FAILED_VERIFICATION && !hostKeyRefusal.empty()) {
            reason = hostKeyRefusal;
        } else if (result == CURLE_PEER_FAILED_VERIFICATION ||
                   (result == CURLE_SSL_CONNECT_ERROR &&
                    certificateProblem(errorBuffer) != CertificateProblem::Other)) {
            reason = certificateRefusal(active.host, errorBuffer);
        }
        if (!active.passive && (result == CURLE_OPERATION_TIMEDOUT || result == CURLE_FTP_ACCEPT_TIMEOUT)) {
            reason += kActiveModeFirewallHint;
        }
        fail(operation, reason);
    }

    // The end must not wait for a stalled server, neither now nor when the connection is closed.
    void abandonConnection(CURL* curl) {
        for (const curl_socket_t socket : sockets) {
            ::shutdown(socket, kBothDirections);
        }
        if (curl == handle.get()) {
            handle.reset();
            folder = FtpFolder{};
        }
    }

    // After the CWD into the current folder. A refused command also closes the connection; the next operation
    // opens another.
    void runCommands(const std::string& operation, std::initializer_list<std::string> commands) {
        CURL* curl = require(operation);
        CommandList list;
        for (const std::string& command : commands) {
            curl_slist* extended = curl_slist_append(list.get(), command.c_str());
            if (extended == nullptr) {
                fail(operation, "memória insuficiente");
            }
            if (!list) {
                list.reset(extended);  // later appends give the same head back
            }
        }
        prepare(curl, url());
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        // SFTP's quote commands name whole paths and may as well run before the (empty) transfer.
        curl_easy_setopt(curl, scheme == FtpScheme::Sftp ? CURLOPT_QUOTE : CURLOPT_POSTQUOTE, list.get());
        perform(curl, operation);
    }

    std::string url(const std::string& fileName = {}) const { return url(folder, fileName); }
    std::string url(const FtpFolder& in, const std::string& fileName = {}) const {
        return remoteUrl(FtpServerAddress{scheme, active.host, active.port}, in, fileName);
    }

    // The known key is accepted, an unknown one recorded (curl adds it to the file), a different one refused.
    static int checkHostKey(CURL*, const curl_khkey* known, const curl_khkey* found, curl_khmatch match,
                            void* self) {
        State& s = *static_cast<State*>(self);
        try {
            const std::string presented = sshFingerprint(keyBlob(*found));
            switch (match) {
            case CURLKHMATCH_OK:
                return CURLKHSTAT_FINE;
            case CURLKHMATCH_MISSING:
                if (s.hostKeyNotice) {
                    s.hostKeyNotice(hostKeyRecorded(s.serverText(), presented));
                }
                return CURLKHSTAT_FINE_ADD_TO_FILE;
            case CURLKHMATCH_MISMATCH:
            case CURLKHMATCH_LAST:
                break;
            }
            const std::string recorded = known != nullptr ? sshFingerprint(keyBlob(*known)) : "?";
            s.hostKeyRefusal = hostKeyChanged(s.serverText(), recorded, presented);
        } catch (const std::exception& error) {
            s.hostKeyRefusal = error.what();
        }
        return CURLKHSTAT_REJECT;
    }

    std::string folderText() const {
        const std::string text = folder.text();
        return text.empty() ? "inicial" : "\"" + text + "\"";
    }
};

FtpClient::FtpClient() : state_(std::make_unique<State>()) { initialiseCurlOnce(); }

FtpClient::~FtpClient() = default;

void FtpClient::setSettings(FtpSettings settings) { state_->settings = std::move(settings); }

const FtpSettings& FtpClient::settings() const { return state_->settings; }

void FtpClient::setTimeouts(std::chrono::seconds connect, std::chrono::seconds stalled) {
    state_->connectTimeout = connect;
    state_->stalledTimeout = stalled;
}

void FtpClient::setCancelCheck(std::function<bool()> check) { state_->cancelCheck = std::move(check); }

void FtpClient::setHostKeyNotice(std::function<void(const std::string&)> notice) {
    state_->hostKeyNotice = std::move(notice);
}

void FtpClient::connect() {
    disconnect();
    State& s = *state_;
    s.active = s.settings;
    const FtpServerAddress address = serverAddress(trimmed(s.active.host), s.active.port);
    s.scheme = address.scheme;
    s.active.host = address.host;
    s.active.port = address.port;
    s.folder = FtpFolder{};
    s.hostKeyRefusal.clear();
    s.trustedCertificates.clear();
    if (s.scheme == FtpScheme::Ftps) {
        const std::string sitePem = siteCertificates(s.active.trustFolder);
        if (!sitePem.empty()) {
            s.trustedCertificates = certificatesToTrust(sitePem);
        }
    }
    if (s.scheme == FtpScheme::Sftp) {
        if (s.active.trustFolder.empty()) {
            throw FtpError("Não foi possível conectar ao servidor SFTP " + s.serverText() +
                           ": falta a pasta de dados do servidor, onde as chaves dos servidores ficam registradas.");
        }
        // libssh2 opens it with fopen: on Windows the folder's ANSI or short form; the file may not exist yet.
        s.knownHosts = platform::pathForCLibrary(utf8Path(s.active.trustFolder)) +
                       static_cast<char>(std::filesystem::path::preferred_separator) + kKnownHostsFileName;
    }
    const std::string operation = "conectar ao servidor FTP";
    const std::string loginUrl = s.url();
    s.checkNotCancelled();
    EasyHandle handle(curl_easy_init());
    if (!handle) {
        s.fail(operation, "memória insuficiente");
    }
    s.prepare(handle.get(), loginUrl);
    curl_easy_setopt(handle.get(), CURLOPT_NOBODY, 1L);
    s.perform(handle.get(), operation);
    s.handle = std::move(handle);
}

bool FtpClient::connected() const { return state_->handle != nullptr; }

void FtpClient::disconnect() {
    state_->handle.reset();  // says QUIT on the connection it still holds
    state_->folder = FtpFolder{};
}

void FtpClient::changeDirectory(const std::string& remoteFolder) {
    State& s = *state_;
    const FtpFolder target = s.folder.changedTo(remoteFolder);
    const std::string operation = "abrir a pasta \"" + remoteFolder + "\" no servidor FTP";
    CURL* curl = s.require(operation);
    s.prepare(curl, s.url(target));
    if (s.scheme != FtpScheme::Sftp) {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        s.perform(curl, operation);
    } else if (const CURLcode result = (curl_easy_setopt(curl, CURLOPT_DIRLISTONLY, 1L), curl_easy_perform(curl));
               result != CURLE_OK) {
        // SFTP has no CWD: reading the folder proves that it is there.
        s.fail(curl, operation, result == CURLE_REMOTE_FILE_NOT_FOUND ? CURLE_REMOTE_ACCESS_DENIED : result);
    }
    s.folder = target;
}

std::vector<std::string> FtpClient::nameList() {
    State& s = *state_;
    const std::string operation = "listar a pasta " + s.folderText() + " no servidor FTP";
    CURL* curl = s.require(operation);
    std::string listing;
    s.prepare(curl, s.url());
    curl_easy_setopt(curl, CURLOPT_DIRLISTONLY, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, appendData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &listing);
    if (const CURLcode result = curl_easy_perform(curl); result != CURLE_OK) {
        // Some servers answer NLST of an empty folder with 550 (curl itself takes 450 so), not with an empty list;
        // a folder that is not there has already failed its CWD.
        const bool emptyFolder = listing.empty() && (s.lastReply.starts_with("450") || s.lastReply.starts_with("550"));
        if (!emptyFolder || (result != CURLE_FTP_COULDNT_RETR_FILE && result != CURLE_REMOTE_FILE_NOT_FOUND)) {
            s.fail(curl, operation, result);
        }
    }

    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < listing.size()) {
        std::size_t end = listing.find('\n', start);
        if (end == std::string::npos) {
            end = listing.size();
        }
        std::string name = listing.substr(start, end - start);
        if (!name.empty() && name.back() == '\r') {
            name.pop_back();
        }
        // SFTP lists the folder itself and its parent too.
        if (!name.empty() && name != "." && name != "..") {
            names.push_back(std::move(name));
        }
        start = end + 1;
    }
    return names;
}

void FtpClient::deleteFile(const std::string& remoteName) {
    requirePlainName(remoteName, "apagar");
    const State& s = *state_;
    state_->runCommands("apagar o arquivo \"" + remoteName + "\" no servidor FTP",
                        {s.scheme == FtpScheme::Sftp ? "rm " + sftpQuotedPath(s.folder, remoteName)
                                                     : "DELE " + remoteName});
}

void FtpClient::rename(const std::string& from, const std::string& to) {
    requirePlainName(from, "renomear");
    requirePlainName(to, "renomear");
    const State& s = *state_;
    const std::string operation = "renomear o arquivo \"" + from + "\" para \"" + to + "\" no servidor FTP";
    if (s.scheme == FtpScheme::Sftp) {
        state_->runCommands(operation,
                            {"rename " + sftpQuotedPath(s.folder, from) + " " + sftpQuotedPath(s.folder, to)});
    } else {
        state_->runCommands(operation, {"RNFR " + from, "RNTO " + to});
    }
}

void FtpClient::upload(const std::filesystem::path& localFile, const std::string& remoteName) {
    State& s = *state_;
    const std::string operation = "enviar o arquivo \"" + remoteName + "\" ao servidor FTP";
    requirePlainName(remoteName, "enviar");
    CURL* curl = s.require(operation);
    OpenFile file(platform::openStreamForReading(localFile));
    if (!file) {
        throw FtpError(fileErrorMessage("abrir", localFile, errno));
    }
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(localFile, sizeError);
    if (sizeError) {
        throw FtpError(fileErrorMessage("ler", localFile, platform::errnoOf(sizeError)));
    }
    s.prepare(curl, s.url(remoteName));
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readFile);
    curl_easy_setopt(curl, CURLOPT_READDATA, file.get());
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    s.perform(curl, operation);
}

std::int64_t FtpClient::remoteSize(const std::string& remoteName) {
    State& s = *state_;
    const std::string operation = "consultar o tamanho do arquivo \"" + remoteName + "\" no servidor FTP";
    requirePlainName(remoteName, "consultar o tamanho");
    CURL* curl = s.require(operation);
    s.prepare(curl, s.url(remoteName));
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    s.perform(curl, operation);
    curl_off_t size = -1;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size) != CURLE_OK) {
        size = -1;
    }
    return size;
}

}  // namespace velmora
