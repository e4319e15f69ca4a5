// FTPS through Schannel and SFTP through libssh2 (WinCNG) of the Windows program, against real servers on this
// machine (tests/support/ftp_fixture, started by CTest): files byte for byte, the certificate checks with the site's
// own authority added to the machine's, and SFTP host keys recorded and a changed one refused.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/ftp_client.h"
#include "common/ftp_listing.h"
#include "common/ftp_staged_upload.h"
#include "common/ftp_trust.h"
#include "common/utf8_path.h"
#include "monitor/publishing_targets.h"
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
    explicit Fixture(const char* name, const char* scheme) {
        const char* ftpFolder = std::getenv("VELMORA_FTP_FIXTURE");
        if (ftpFolder == nullptr) {
            throw std::runtime_error("VELMORA_FTP_FIXTURE is not set; the test runs through CTest");
        }
        folder = utf8Path(std::string(ftpFolder) + "-" + name);
        settings = {std::string(scheme) + "://127.0.0.1", std::stoi(readBytes(folder / "port")), "velmora",
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

class QueueHost final : public SurveyHost {
public:
    explicit QueueHost(std::string dataFolder) : dataFolder_(std::move(dataFolder)) {}
    void DefinirSituacao(unsigned) override {}
    void setProcessingText(const std::string&) override {}
    void setObservationText(const std::string& text) override { observation = text; }
    void processPendingEvents() override {}
    std::string ObterPastaDadosServidor() override { return dataFolder_; }
    std::int64_t ObterTamanhoArquivo(const fs::path& file) override { return velmora::ObterTamanhoArquivo(file); }

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
    void trustAuthorityOf(const Fixture& server) const {
        fs::copy_file(server.folder / "ca.pem", data / kSiteCertificatesFileName, fs::copy_options::overwrite_existing);
    }

    Fixture ftps{"ftps", "ftps"};
    Fixture sftp{"sftp", "sftp"};
    ScratchFolder scratch;
    fs::path data = scratch / "Dados São João";
};

TEST_F(SecureFtpOnWindows, AWorkbookAndASurveyFileArriveByteForByteThroughBothSchemes) {
    for (const Fixture* server : {&ftps, &sftp}) {
        SCOPED_TRACE(server->settings.host);
        fs::create_directories(data / "PESQUISA");
        trustAuthorityOf(ftps);
        const std::string workbook = binaryContent(700000);
        writeBytes(scratch / "Vendas.xlsx", workbook);
        const std::string survey = "pergunta 1;sim\r\npergunta 2;n\xE3o\nfim\r";
        writeBytes(data / "PESQUISA" / "PQS_windows_seguro.txt", survey);
        fs::create_directories(server->root() / kSurveyRemoteFolder);

        FtpClient ftp;
        ftp.setSettings(trusting(server->settings));
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
        const SurveyAccount account{server->settings.host, server->settings.port, server->settings.user,
                                    server->settings.password};
        SurveyUpload(host, ftp, clock, account).EnviarPesquisas();

        EXPECT_EQ(host.observation, "");
        EXPECT_EQ(readBytes(server->root() / "Vendas.xlsx"), workbook);
        EXPECT_EQ(readBytes(server->root() / kSurveyRemoteFolder / "PQS_windows_seguro.txt"), survey);
    }
}

TEST_F(SecureFtpOnWindows, ConnectionsAreRefusedForWhatTheirChecksDoNotProve) {
    const struct {
        const char* name;
        const Fixture& server;
        const char* host;  // none: the fixture's
        bool siteTrustsIt;
        const char* password;  // none: the right one
        const char* expected;  // none: the connection is made
    } cases[] = {
        {"unknown issuer", ftps, nullptr, false, nullptr, "foi emitido por uma autoridade desconhecida"},
        {"its authority in the .ca.pem", ftps, nullptr, true, nullptr, nullptr},
        {"certificate made for 127.0.0.1, reached as localhost", ftps, "ftps://localhost", true, nullptr,
         "o certificado apresentado não é do servidor localhost"},
        {"FTPS, wrong password", ftps, nullptr, true, "errada", "o servidor recusou o usuário ou a senha"},
        {"SFTP, wrong password", sftp, nullptr, true, "errada", "o servidor recusou o usuário ou a senha"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::create_directories(data);
        fs::remove(data / kSiteCertificatesFileName);
        if (c.siteTrustsIt) {
            trustAuthorityOf(ftps);
        }
        FtpSettings settings = trusting(c.server.settings);
        if (c.host != nullptr) {
            settings.host = c.host;
        }
        if (c.password != nullptr) {
            settings.password = c.password;
        }
        FtpClient ftp;
        ftp.setSettings(settings);
        try {
            ftp.connect();
            EXPECT_EQ(c.expected, nullptr);
        } catch (const FtpError& error) {
            const std::string message = error.what();
            ASSERT_NE(c.expected, nullptr) << message;
            EXPECT_NE(message.find(c.expected), std::string::npos) << message;
        }
    }
}

TEST_F(SecureFtpOnWindows, AnSftpServersKeyIsRecordedAndAnotherKeyForTheSameHostRefused) {
    const Fixture other("sftp-other", "sftp");
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
