// The survey upload of the Windows program against a real FTP server on this machine (tests/support/ftp_fixture,
// started by CTest): Winsock through libcurl, binary transfers, the size check on a file opened exclusively, and
// a queue folder whose path has accents.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/ftp_client.h"
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
using test::namesIn;
using test::readBytes;
using test::writeBytes;

// The server CTest started for this run: its folder (as Windows sees it), its port and account.
struct SharedServer {
    SharedServer() {
        const char* folderText = std::getenv("VELMORA_FTP_FIXTURE");
        if (folderText == nullptr) {
            throw std::runtime_error("VELMORA_FTP_FIXTURE is not set; the test runs through CTest");
        }
        folder = utf8Path(folderText);
        account = {"127.0.0.1", std::stoi(readBytes(folder / "port")), "velmora", "s3nh@-Secreta"};
        fs::create_directories(remoteFolder());
    }
    fs::path remoteFolder() const { return folder / "root" / kSurveyRemoteFolder; }

    fs::path folder;
    SurveyAccount account;
};

class QueueHost final : public SurveyHost {
public:
    explicit QueueHost(std::string dataFolder) : dataFolder_(std::move(dataFolder)) {}

    void setStatus(unsigned) override {}
    void setProcessingText(const std::string& text) override {
        if (!text.empty()) {
            processed.push_back(text);
        }
    }
    void setObservationText(const std::string& text) override { observation = text; }
    void processPendingEvents() override {}
    std::string serverDataFolder() override { return dataFolder_; }
    // The monitor's own size check.
    std::int64_t measureFileSize(const fs::path& file) override { return velmora::measureFileSize(file); }

    std::vector<std::string> processed;
    std::string observation;

private:
    std::string dataFolder_;
};

TEST(SurveyUploadOnWindows, EveryFileArrivesByteForByteAndLeavesTheQueue) {
    SharedServer server;
    ScratchFolder scratch;
    const fs::path data = scratch / "Dados São João";
    fs::create_directories(data / "PESQUISA");
    // Line breaks and bytes of every value must arrive unchanged: the transfer is binary.
    std::string binary(3 * 1024 * 1024, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) {
        binary[i] = static_cast<char>((i * 7919) % 256);
    }
    const std::string text = "pergunta 1;sim\r\npergunta 2;n\xE3o\nfim\r";
    writeBytes(data / "PESQUISA" / "PQS_windows_texto.txt", text);
    writeBytes(data / "PESQUISA" / "PQS_windows_grande.txt", binary);

    QueueHost host(utf8Text(data) + "\\");
    FtpClient ftp;
    test::FakeClock clock;
    SurveyUpload(host, ftp, clock, server.account).uploadSurveys();

    EXPECT_EQ(host.observation, "");
    EXPECT_EQ(host.processed, (std::vector<std::string>{"PQS_windows_grande.txt", "PQS_windows_texto.txt"}));
    EXPECT_TRUE(namesIn(data / "PESQUISA").empty());
    EXPECT_EQ(readBytes(server.remoteFolder() / "PQS_windows_texto.txt"), text);
    EXPECT_EQ(readBytes(server.remoteFolder() / "PQS_windows_grande.txt"), binary);
    EXPECT_TRUE(clock.sleeps.empty());
}

// The ERP may still be writing a file: opened without sharing, it can be neither measured nor set aside, so it
// stays in the queue for the next round while the other files go.
TEST(SurveyUploadOnWindows, AFileTheErpStillHoldsStaysInTheQueue) {
    SharedServer server;
    ScratchFolder scratch;
    const fs::path queue = scratch / "Dados" / "PESQUISA";
    fs::create_directories(queue);
    writeBytes(queue / "PQS_windows_1_aberto.txt", "ainda escrevendo");
    writeBytes(queue / "PQS_windows_2_pronto.txt", "pronto");
    const HANDLE held = CreateFileW((queue / "PQS_windows_1_aberto.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    QueueHost host(utf8Text(scratch / "Dados") + "\\");
    FtpClient ftp;
    test::FakeClock clock;
    SurveyUpload(host, ftp, clock, server.account).uploadSurveys();
    CloseHandle(held);

    EXPECT_EQ(namesIn(queue), std::vector<std::string>{"PQS_windows_1_aberto.txt"});
    EXPECT_FALSE(fs::exists(server.remoteFolder() / "PQS_windows_1_aberto.txt"));
    EXPECT_EQ(readBytes(server.remoteFolder() / "PQS_windows_2_pronto.txt"), "pronto");
}

}  // namespace
}  // namespace velmora
