#include "support/ftp_test_server.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

#include "support/file_bytes.h"

namespace velmora::test {

namespace fs = std::filesystem;

namespace {

const std::string kPython = "/usr/bin/python3";

}  // namespace

std::string supportScript(const char* name) { return std::string(VELMORA_FIXTURES_DIR) + "/../support/" + name; }

void run(const std::vector<std::string>& arguments, const fs::path& log) {
    ChildProcess process(arguments, {}, log.string());
    if (process.waitFor(std::chrono::seconds(120)) != 0) {
        throw std::runtime_error(arguments[1] + " failed: " + readBytes(log));
    }
}

FtpTestServer::FtpTestServer(FtpServerOptions options) : options_(std::move(options)) {
    fs::create_directories(root());
    const fs::path portFile = folder_.path() / "port";
    const bool sftp = options_.scheme == FtpScheme::Sftp;
    std::vector<std::string> arguments = {kPython,
                                          supportScript(sftp ? "sftp_server.py" : "ftp_server.py"),
                                          "--root",
                                          root().string(),
                                          "--port-file",
                                          portFile.string(),
                                          "--user",
                                          options_.user,
                                          "--password",
                                          options_.password};
    if (sftp) {
        arguments.insert(arguments.end(), {"--host-key", (folder_.path() / "host_key").string()});
        if (options_.withoutSshRsa) {
            arguments.insert(arguments.end(), {"--host-key-algorithms", "rsa-sha2-512,rsa-sha2-256"});
        }
    }
    if (options_.scheme == FtpScheme::Ftps) {
        std::vector<std::string> make = {kPython, supportScript("test_certificate.py"), "--folder",
                                         folder_.path().string(), "--name", options_.certificateName};
        if (options_.expiredCertificate) {
            make.push_back("--expired");
        }
        run(make, folder_.path() / "certificate.log");
        arguments.insert(arguments.end(), {"--certificate", (folder_.path() / "server.pem").string()});
    }
    if (options_.exitUploadAfter >= 0) {
        arguments.insert(arguments.end(), {"--exit-upload-after", std::to_string(options_.exitUploadAfter)});
    }
    if (!options_.sizeCommand) {
        arguments.push_back("--no-size");
    }
    if (options_.refuseLogin) {
        arguments.push_back("--refuse-login");
    }
    if (options_.readOnly) {
        arguments.push_back("--read-only");
    }
    if (options_.refuseEmptyListing) {
        arguments.push_back("--refuse-empty-listing");
    }
    if (options_.refuseRename) {
        arguments.push_back("--refuse-rename");
    }
    if (options_.ignoreActiveMode) {
        arguments.push_back("--ignore-active-mode");
    }
    if (options_.refuseRenameOntoExisting) {
        arguments.push_back("--refuse-rename-onto-existing");
    }
    if (options_.dropUploadAfter >= 0) {
        arguments.insert(arguments.end(), {"--drop-upload-after", std::to_string(options_.dropUploadAfter)});
    }
    if (options_.stallUploadAfter >= 0) {
        arguments.insert(arguments.end(), {"--stall-upload-after", std::to_string(options_.stallUploadAfter)});
    }
    process_ = std::make_unique<ChildProcess>(arguments, std::vector<std::string>{},
                                              (folder_.path() / "server.log").string());

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!fs::exists(portFile)) {
        if (!process_->running() || std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("the test FTP server did not start: " + log());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    port_ = std::stoi(readBytes(portFile));
}

FtpTestServer::~FtpTestServer() = default;  // the child is killed and reaped before the folder goes

std::string FtpTestServer::address() const {
    return options_.scheme == FtpScheme::Ftp ? host() : std::string(schemeName(options_.scheme)) + "://" + host();
}

std::string FtpTestServer::hostKeyFingerprint() const { return readBytes(folder_.path() / "host_key.fingerprint"); }

FtpSettings FtpTestServer::settings() const {
    FtpSettings settings;
    settings.host = address();
    settings.port = port_;
    settings.user = options_.user;
    settings.password = options_.password;
    return settings;
}

std::string FtpTestServer::log() const { return readBytes(folder_.path() / "server.log"); }

std::int64_t FtpTestServer::largestFileSize() const {
    std::int64_t largest = 0;
    std::error_code error;
    for (fs::recursive_directory_iterator it(root(), error), end; !error && it != end; it.increment(error)) {
        std::error_code sizeError;
        const auto size = it->is_regular_file(sizeError) ? fs::file_size(it->path(), sizeError) : 0;
        if (!sizeError) {
            largest = std::max(largest, static_cast<std::int64_t>(size));
        }
    }
    return largest;
}

bool FtpTestServer::stalled() const {
    return options_.stallUploadAfter >= 0 && largestFileSize() >= options_.stallUploadAfter;
}

}  // namespace velmora::test
