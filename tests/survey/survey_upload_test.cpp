#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "common/ftp_client.h"
#include "support/fake_clock.h"
#include "support/file_bytes.h"
#include "support/ftp_test_server.h"
#include "support/loopback_port.h"
#include "support/scratch_folder.h"
#include "survey/survey_host.h"
#include "survey/survey_upload.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::namesIn;
using test::readBytes;
using test::writeBytes;
using namespace std::chrono_literals;
using test::FtpServerOptions;
using test::FtpTestServer;

constexpr unsigned kMonitorando = 1;
constexpr unsigned kEnviandoPesquisa = 4;
constexpr unsigned kDormindo = 5;

class RecordingSurveyHost final : public SurveyHost {
public:
    explicit RecordingSurveyHost(std::string dataFolder) : dataFolder_(std::move(dataFolder)) {}

    void DefinirSituacao(unsigned code) override { statusCodes.push_back(code); }
    void setProcessingText(const std::string& text) override {
        processing = text;
        if (!text.empty()) {
            processed.push_back(text);
        }
    }
    void setObservationText(const std::string& text) override {
        observation = text;
        if (!text.empty()) {
            observations.push_back(text);
        }
    }
    void processPendingEvents() override { ++pendingEventRounds; }
    std::string ObterPastaDadosServidor() override { return dataFolder_; }
    std::int64_t ObterTamanhoArquivo(const fs::path& file) override {
        return static_cast<std::int64_t>(fs::file_size(file));
    }

    std::vector<unsigned> statusCodes;
    std::string processing;
    std::vector<std::string> processed;
    std::string observation;
    std::vector<std::string> observations;
    int pendingEventRounds = 0;

private:
    std::string dataFolder_;
};

std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) {
        ++count;
    }
    return count;
}

// A server data folder with its survey folder, a survey account on a real FTP server, and the shared client.
struct SurveyRun {
    explicit SurveyRun(FtpServerOptions options = {}) : server(std::move(options)) {
        fs::create_directories(remoteFolder());
        fs::create_directories(queueFolder());
    }

    fs::path queueFolder() const { return data.path() / "PESQUISA"; }
    fs::path remoteFolder() const { return server.root() / kSurveyRemoteFolder; }
    void add(const std::string& name, const std::string& content) const { writeBytes(queueFolder() / name, content); }

    void run() { SurveyUpload(host, ftp, clock, account).EnviarPesquisas(); }

    FtpTestServer server;
    ScratchFolder data;
    RecordingSurveyHost host{data.path().string() + "/"};
    SurveyAccount account{server.host(), server.port(), server.options().user, server.options().password};
    FtpClient ftp;
    test::FakeClock clock;
};

TEST(SurveyUpload, SendsEveryFileInNameOrderOnAConnectionOfItsOwnAndDeletesIt) {
    SurveyRun r;
    r.add("PQS_b.txt", "resposta b");
    r.add("pqs_C.txt", "resposta c, mais longa");
    r.add("PQS_A.txt", "a");

    r.run();

    EXPECT_TRUE(namesIn(r.queueFolder()).empty());
    EXPECT_EQ(readBytes(r.remoteFolder() / "PQS_A.txt"), "a");
    EXPECT_EQ(readBytes(r.remoteFolder() / "PQS_b.txt"), "resposta b");
    EXPECT_EQ(readBytes(r.remoteFolder() / "pqs_C.txt"), "resposta c, mais longa");
    const std::string log = r.server.log();
    EXPECT_EQ(occurrences(log, "logged in"), 3u) << log;
    const auto a = log.find("<- APPE PQS_A.txt");
    const auto b = log.find("<- APPE PQS_b.txt");
    const auto c = log.find("<- APPE pqs_C.txt");
    ASSERT_NE(c, std::string::npos) << log;
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    EXPECT_FALSE(r.ftp.connected());

    EXPECT_EQ(r.host.processed, (std::vector<std::string>{"PQS_A.txt", "PQS_b.txt", "pqs_C.txt"}));
    EXPECT_EQ(r.host.statusCodes,
              (std::vector<unsigned>{kEnviandoPesquisa, kMonitorando, kMonitorando, kMonitorando, kDormindo}));
    EXPECT_EQ(r.host.processing, "");
    EXPECT_EQ(r.host.observation, "");
    EXPECT_TRUE(r.host.observations.empty());
    EXPECT_EQ(r.host.pendingEventRounds, 3);
    EXPECT_TRUE(r.clock.sleeps.empty());
}

TEST(SurveyUpload, AFailedUploadIsSetAsideAndTheOtherFilesStillGo) {
    // Uploads that bring 100 bytes or more lose their data connection.
    SurveyRun r(FtpServerOptions{.dropUploadAfter = 100});
    r.add("PQS_1.txt", "curta 1");
    r.add("PQS_2.txt", std::string(1000, 'x'));
    r.add("PQS_3.txt", "curta 3");
    writeBytes(r.queueFolder() / "ERROPQS_2.txt", "antiga");

    r.run();

    EXPECT_EQ(namesIn(r.queueFolder()), std::vector<std::string>{"ERROPQS_2.txt"});
    EXPECT_EQ(readBytes(r.queueFolder() / "ERROPQS_2.txt"), std::string(1000, 'x'));
    EXPECT_EQ(namesIn(r.remoteFolder()), (std::vector<std::string>{"PQS_1.txt", "PQS_3.txt"}))
        << "the broken copy is not left for the maker";
    EXPECT_EQ(r.host.observations, std::vector<std::string>{kSurveyUploadFailed});
    EXPECT_EQ(r.clock.sleeps, std::vector<std::chrono::milliseconds>{3000ms});
    EXPECT_EQ(r.host.statusCodes, (std::vector<unsigned>{kEnviandoPesquisa, kMonitorando, kMonitorando, kDormindo}));
    EXPECT_EQ(occurrences(r.server.log(), "<- APPE PQS_2.txt"), 1u);
}

TEST(SurveyUpload, ACopyOfAnotherSizeIsDeletedFromTheServerAndTheFileSetAside) {
    const struct {
        const char* what;
        FtpServerOptions options;
        std::string oldRemoteCopy;
    } cases[] = {
        {"an old copy the data was appended to", {}, "resposta anterior"},
        {"a server without SIZE", {.sizeCommand = false}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SurveyRun r(c.options);
        r.add("PQS_1.txt", "resposta");
        if (!c.oldRemoteCopy.empty()) {
            writeBytes(r.remoteFolder() / "PQS_1.txt", c.oldRemoteCopy);
        }

        r.run();

        EXPECT_TRUE(namesIn(r.remoteFolder()).empty());
        EXPECT_EQ(namesIn(r.queueFolder()), std::vector<std::string>{"ERROPQS_1.txt"});
        EXPECT_EQ(r.host.observation, kSurveyUploadFailed);
        EXPECT_EQ(r.host.statusCodes, (std::vector<unsigned>{kEnviandoPesquisa, kDormindo}));
    }
}

TEST(SurveyUpload, SendsTxtTXTAndTxt2FilesAndLeavesEverythingElse) {
    SurveyRun r;
    for (const char* name : {"PQS_1.txt", "PQS_2.TXT", "PQS_3.txt2", "ERROPQS_4.txt", "PQS_5.csv", "nota.txt"}) {
        r.add(name, name);
    }
    fs::create_directory(r.queueFolder() / "PQS_6.txt");

    r.run();

    EXPECT_EQ(namesIn(r.remoteFolder()), (std::vector<std::string>{"PQS_1.txt", "PQS_2.TXT", "PQS_3.txt2"}));
    EXPECT_EQ(namesIn(r.queueFolder()),
              (std::vector<std::string>{"ERROPQS_4.txt", "PQS_5.csv", "PQS_6.txt", "nota.txt"}));
}

TEST(SurveyUpload, AnAbsentOrEmptySurveyFolderMakesNoConnection) {
    for (const bool absent : {true, false}) {
        SCOPED_TRACE(absent ? "absent" : "empty");
        SurveyRun r;
        if (absent) {
            fs::remove(r.queueFolder());
        }

        r.run();

        EXPECT_TRUE(fs::is_directory(r.queueFolder()));
        EXPECT_EQ(r.host.statusCodes, (std::vector<unsigned>{kEnviandoPesquisa, kDormindo}));
        EXPECT_EQ(r.server.log().find("<- USER"), std::string::npos) << r.server.log();
    }
}

TEST(SurveyUpload, ASurveyFolderThatCannotBeCreatedStopsTheCycleWithItsMessage) {
    ScratchFolder scratch;
    writeBytes(scratch.path() / "Dados", "um arquivo, não uma pasta");
    const std::string dataFolder = (scratch.path() / "Dados").string() + "/";
    RecordingSurveyHost host(dataFolder);
    FtpClient ftp;
    test::FakeClock clock;

    try {
        SurveyUpload(host, ftp, clock, SurveyAccount{"127.0.0.1", 21, "u", "p"}).EnviarPesquisas();
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Não pode ser Criado o Diretório " + dataFolder + "PESQUISA");
    }
    EXPECT_TRUE(host.statusCodes.empty());
}

TEST(SurveyUpload, AnUnreachableServerKeepsEveryFileQueuedForTheNextCycle) {
    test::RefusingPort refusing;
    const struct {
        const char* what;
        FtpServerOptions options;
        bool remoteFolder;
        bool refused;
    } cases[] = {
        {"connection refused", {}, true, true},
        {"login refused", {.refuseLogin = true}, true, false},
        {"remote folder missing", {}, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SurveyRun r(c.options);
        if (!c.remoteFolder) {
            fs::remove(r.remoteFolder());
        }
        if (c.refused) {
            r.account.port = refusing.port();
        }
        r.add("PQS_1.txt", "1");
        r.add("PQS_2.txt", "2");

        r.run();

        EXPECT_EQ(namesIn(r.queueFolder()), (std::vector<std::string>{"PQS_1.txt", "PQS_2.txt"}));
        EXPECT_EQ(r.host.processed, std::vector<std::string>{"PQS_1.txt"}) << "the round stops at the first file";
        ASSERT_EQ(r.host.observations.size(), 1u);
        EXPECT_NE(r.host.observation, kSurveyUploadFailed);
        EXPECT_NE(r.host.observation.find("servidor FTP"), std::string::npos) << r.host.observation;
        EXPECT_EQ(r.host.observation.find(r.account.password), std::string::npos);
        EXPECT_EQ(r.host.statusCodes, (std::vector<unsigned>{kEnviandoPesquisa, kDormindo}));
        EXPECT_TRUE(r.clock.sleeps.empty());
        EXPECT_FALSE(r.ftp.connected());
    }
}

TEST(SurveyUpload, AFileThatCannotBeSetAsideIsTriedOncePerRound) {
    SurveyRun r(FtpServerOptions{.dropUploadAfter = 0});  // every upload breaks
    r.add("PQS_1.txt", "1");
    r.add("PQS_2.txt", "2");
    // A folder in the way of the set-aside name: the rename fails and PQS_1.txt stays in the queue.
    fs::create_directories(r.queueFolder() / "ERROPQS_1.txt" / "ocupada");

    r.run();

    EXPECT_EQ(namesIn(r.queueFolder()), (std::vector<std::string>{"ERROPQS_1.txt", "ERROPQS_2.txt", "PQS_1.txt"}));
    const std::string log = r.server.log();
    EXPECT_EQ(occurrences(log, "<- APPE PQS_1.txt"), 1u) << log;
    EXPECT_EQ(occurrences(log, "<- APPE PQS_2.txt"), 1u) << log;
    EXPECT_EQ(r.clock.sleeps, (std::vector<std::chrono::milliseconds>{3000ms, 3000ms}));
    EXPECT_EQ(r.host.statusCodes.back(), kDormindo);
}

TEST(SurveyUpload, UsesTheSurveyAccountsPortAndPassiveModeWhateverTheClientWasLeftWith) {
    SurveyRun r;
    FtpTestServer reportServer;
    FtpSettings reportSettings = reportServer.settings();
    reportSettings.passive = false;
    r.ftp.setSettings(reportSettings);
    r.ftp.connect();  // a report upload left its connection open, in active mode
    r.add("PQS_1.txt", "1");

    r.run();

    EXPECT_EQ(readBytes(r.remoteFolder() / "PQS_1.txt"), "1");
    EXPECT_EQ(r.ftp.settings().port, r.server.port());
    EXPECT_TRUE(r.ftp.settings().passive);
    const std::string log = r.server.log();
    EXPECT_EQ(log.find("<- EPRT"), std::string::npos) << log;
    EXPECT_EQ(log.find("<- PORT"), std::string::npos) << log;
    EXPECT_FALSE(r.ftp.connected());
}

}  // namespace
}  // namespace velmora
