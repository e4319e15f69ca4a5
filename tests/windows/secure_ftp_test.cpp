// FTPS through Schannel and SFTP through libssh2 (WinCNG) of the Windows program, against real servers on this
// machine (tests/support/ftp_fixture, started by CTest): files byte for byte, the certificate checks with the site's
// own authority added to the machine's, and SFTP host keys recorded and a changed one refused. What Wine cannot do
// as Windows does skips, saying why.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/cng_handles.h"
#include "common/ftp_client.h"
#include "common/ftp_listing.h"
#include "common/ftp_staged_upload.h"
#include "common/ftp_trust.h"
#include "common/utf8_path.h"
#include "monitor/publishing_targets.h"
#include "support/connection_outcome.h"
#include "support/fake_clock.h"
#include "support/file_bytes.h"
#include "support/scratch_folder.h"
#include "survey/survey_host.h"
#include "survey/survey_upload.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::writeBytes;

// A server CTest started for this run, in the FTP fixture's folder name + "-" + its own.
struct Fixture {
    Fixture(const char* name, const char* scheme, const char* host) {
        const char* ftpFolder = std::getenv("VELMORA_FTP_FIXTURE");
        if (ftpFolder == nullptr) {
            throw std::runtime_error("VELMORA_FTP_FIXTURE is not set; the test runs through CTest");
        }
        folder = utf8Path(std::string(ftpFolder) + "-" + name);
        settings = {std::string(scheme) + "://" + host, std::stoi(readBytes(folder / "port")), "velmora",
                    "s3nh@-Secreta"};
    }
    fs::path root() const { return folder / "root"; }

    fs::path folder;
    FtpSettings settings;
};

std::string binaryContent(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7919) % 256);
    }
    return bytes.replace(0, 6, "PK\r\n\n\r");
}

// Whether unpadded RSA works: a public key of 1024 bits (exponent 3, modulus all ones) raising a small number.
bool rawRsaWorks() {
    const CngAlgorithm rsa = openCngAlgorithm(BCRYPT_RSA_ALGORITHM);
    if (!rsa) {
        return false;
    }
    std::vector<unsigned char> blob(sizeof(BCRYPT_RSAKEY_BLOB) + 1 + 128, 0xFF);
    const BCRYPT_RSAKEY_BLOB header{BCRYPT_RSAPUBLIC_MAGIC, 1024, 1, 128, 0, 0};
    std::memcpy(blob.data(), &header, sizeof header);
    blob[sizeof header] = 3;
    BCRYPT_KEY_HANDLE imported = nullptr;
    if (BCryptImportKeyPair(rsa.get(), nullptr, BCRYPT_RSAPUBLIC_BLOB, &imported, blob.data(),
                            static_cast<ULONG>(blob.size()), 0) < 0) {
        return false;
    }
    const CngKey key(imported);
    std::vector<unsigned char> input(128, 0);
    std::vector<unsigned char> output(128);
    input.back() = 2;
    ULONG written = 0;
    return BCryptEncrypt(key.get(), input.data(), static_cast<ULONG>(input.size()), nullptr, nullptr, 0, output.data(),
                         static_cast<ULONG>(output.size()), &written, BCRYPT_PAD_NONE) >= 0;
}

// libssh2 on Windows' own cryptography agrees on an SSH session key through CNG's Diffie-Hellman or, without it,
// unpadded RSA arithmetic. Windows has both; Wine 8's CNG has neither, and no SSH session can start.
std::optional<std::string> missingSshKeyExchange() {
    if (openCngAlgorithm(BCRYPT_DH_ALGORITHM) || rawRsaWorks()) {
        return std::nullopt;
    }
    return "this system's CNG has neither Diffie-Hellman nor unpadded RSA (as Wine 8), so libssh2 cannot agree on an "
           "SSH session key; Windows has both";
}

bool underWine() { return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// Wine's Schannel (8 at least) does not report the server's TLS close_notify, so curl takes the end of every FTPS data
// transfer for a cut connection; Windows reports it. Found out by listing the server's folder.
std::optional<std::string> missingTlsCloseNotify(const FtpSettings& settings) {
    if (!underWine()) {
        return std::nullopt;
    }
    try {
        FtpClient ftp;
        ftp.setSettings(settings);
        ftp.connect();
        ftp.nameList();
        return std::nullopt;
    } catch (const FtpError& error) {
        return std::string("this Wine's Schannel does not report the end of a TLS data connection (close_notify): ") +
               error.what();
    }
}

class QueueHost final : public SurveyHost {
public:
    explicit QueueHost(std::string dataFolder) : dataFolder_(std::move(dataFolder)) {}
    void setStatus(unsigned) override {}
    void setProcessingText(const std::string&) override {}
    void setObservationText(const std::string& text) override { observation = text; }
    void processPendingEvents() override {}
    std::string serverDataFolder() override { return dataFolder_; }
    std::int64_t measureFileSize(const fs::path& file) override { return velmora::measureFileSize(file); }

    std::string observation;

private:
    std::string dataFolder_;
};

class SecureFtpOnWindows : public ::testing::Test {
protected:
    FtpSettings trusting(FtpSettings settings) const {
        settings.trustFolder = utf8Text(data);
        return settings;
    }
    // The site's own authority file holds the one in the fixture's folder at <name>.
    void trustAuthority(const fs::path& name) const {
        fs::copy_file(ftps.folder / name, data / kSiteCertificatesFileName, fs::copy_options::overwrite_existing);
    }

    // A workbook through a staged upload and a survey file through the survey queue, both compared byte for byte.
    void deliverWorkbookAndSurvey(const Fixture& server) {
        fs::create_directories(data / "PESQUISA");
        trustAuthority("ca.pem");
        const std::string workbook = binaryContent(700000);
        writeBytes(scratch / "Vendas.xlsx", workbook);
        const std::string survey = "pergunta 1;sim\r\npergunta 2;n\xE3o\nfim\r";
        writeBytes(data / "PESQUISA" / "PQS_windows_seguro.txt", survey);
        fs::create_directories(server.root() / kSurveyRemoteFolder);

        FtpClient ftp;
        ftp.setSettings(trusting(server.settings));
        ftp.connect();
        {
            FtpStagedUpload staged(ftp, "Vendas.xlsx", ftp.nameList());
            staged.send(scratch / "Vendas.xlsx");
            EXPECT_TRUE(staged.arrivedWhole(static_cast<std::int64_t>(workbook.size())));
            staged.renameTo("Vendas.xlsx");
        }
        ftp.disconnect();
        QueueHost host(utf8Text(data) + "\\");
        test::FakeClock clock;
        const SurveyAccount account{server.settings.host, server.settings.port, server.settings.user,
                                    server.settings.password};
        SurveyUpload(host, ftp, clock, account).uploadSurveys();

        EXPECT_EQ(host.observation, "");
        EXPECT_EQ(readBytes(server.root() / "Vendas.xlsx"), workbook);
        EXPECT_EQ(readBytes(server.root() / kSurveyRemoteFolder / "PQS_windows_seguro.txt"), survey);
    }

    // Schannel matches only DNS names: the FTPS server's certificate is made for localhost.
    Fixture ftps{"ftps", "ftps", "localhost"};
    Fixture sftp{"sftp", "sftp", "127.0.0.1"};
    ScratchFolder scratch;
    fs::path data = scratch / "Dados São João";
};

class SecureFtpOnWindowsOverSftp : public SecureFtpOnWindows {
protected:
    void SetUp() override {
        if (const auto reason = missingSshKeyExchange()) {
            GTEST_SKIP() << *reason;
        }
    }
};

TEST_F(SecureFtpOnWindows, AWorkbookAndASurveyFileArriveByteForByteThroughFtps) {
    fs::create_directories(data);
    trustAuthority("ca.pem");
    if (const auto reason = missingTlsCloseNotify(trusting(ftps.settings))) {
        GTEST_SKIP() << *reason;
    }
    deliverWorkbookAndSurvey(ftps);
}

TEST_F(SecureFtpOnWindowsOverSftp, AWorkbookAndASurveyFileArriveByteForByte) { deliverWorkbookAndSurvey(sftp); }

TEST_F(SecureFtpOnWindows, ConnectionsAreRefusedForWhatTheirChecksDoNotProve) {
    // Without a site file, Schannel checks the certificate against the machine's store, which Wine does not do; with
    // one, the program checks it against the machine's roots and the site's own.
    const struct {
        const char* name;
        const char* host;       // none: the fixture's
        const char* authority;  // the site file's, in the fixture's folder
        const char* password;   // none: the right one
        const char* expected;   // none: the connection is made
    } cases[] = {
        {"unknown issuer", nullptr, "other/ca.pem", nullptr, "foi emitido por uma autoridade desconhecida"},
        {"its authority in the .ca.pem", nullptr, "ca.pem", nullptr, nullptr},
        {"certificate made for localhost, reached by its IP address", "ftps://127.0.0.1", "ca.pem", nullptr,
         "não é do servidor 127.0.0.1 (o nome do servidor não confere com o do certificado); no Windows o servidor "
         "FTPS deve ser indicado pelo nome que consta no certificado"},
        {"wrong password", nullptr, "ca.pem", "errada", "o servidor recusou o usuário ou a senha"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directories(data);
        trustAuthority(c.authority);
        FtpSettings settings = trusting(ftps.settings);
        if (c.host != nullptr) {
            settings.host = c.host;
        }
        if (c.password != nullptr) {
            settings.password = c.password;
        }
        FtpClient ftp;
        ftp.setSettings(settings);
        test::expectConnection(ftp, c.expected);
    }
}

TEST_F(SecureFtpOnWindowsOverSftp, AServersKeyIsRecordedThenAWrongPasswordAndAnotherKeyAreRefused) {
    const Fixture other("sftp-other", "sftp", "127.0.0.1");
    fs::create_directories(data);
    std::vector<std::string> notices;
    FtpClient ftp;
    ftp.setHostKeyNotice([&](const std::string& text) { notices.push_back(text); });
    ftp.setSettings(trusting(sftp.settings));
    ftp.connect();
    ftp.disconnect();
    const std::string fingerprint = readBytes(sftp.folder / "host_key.fingerprint");
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(fingerprint), std::string::npos) << notices[0];

    FtpSettings wrongPassword = trusting(sftp.settings);
    wrongPassword.password = "errada";
    ftp.setSettings(wrongPassword);
    try {
        ftp.connect();
        ADD_FAILURE() << "no error";
    } catch (const FtpError& error) {
        EXPECT_NE(std::string(error.what()).find("o servidor recusou o usuário ou a senha"), std::string::npos)
            << error.what();
    }

    ftp.setSettings(trusting(other.settings));
    try {
        ftp.connect();
        ADD_FAILURE() << "no error";
    } catch (const FtpError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(fingerprint), std::string::npos) << message;
        EXPECT_NE(message.find(readBytes(other.folder / "host_key.fingerprint")), std::string::npos) << message;
    }
    EXPECT_EQ(notices.size(), 1u);
}

}  // namespace
}  // namespace velmora
