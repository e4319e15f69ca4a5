#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "common/ftp_client.h"
#include "common/ftp_path.h"
#include "common/ftp_trust.h"
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

constexpr unsigned kStatusMonitoring = 1;
constexpr unsigned kStatusSendingSurveys = 4;
constexpr unsigned kStatusSleeping = 5;

class RecordingSurveyHost final : public SurveyHost {
public:
    explicit RecordingSurveyHost(std::string dataFolder) : dataFolder_(std::move(dataFolder)) {}

    void setStatus(unsigned code) override { statusCodes.push_back(code); }
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
    std::string serverDataFolder() override { return dataFolder_; }
    std::int64_t measureFileSize(const fs::path& file) override {
        return static_cast<std::int64_t>(fs::file_size(file));
    }
    void noteFileOutcome(const std::string& fileName, bool delivered, const std::string& detail) override {
        notes.push_back(fileName + (delivered ? " OK " : " FALHA ") + detail);
    }

    std::vector<unsigned> statusCodes;
    std::string processing;
    std::vector<std::string> processed;
    std::string observation;
    std::vector<std::string> observations;
    std::vector<std::string> notes;  // the journal's lines
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

    void run() { upload.uploadSurveys(); }

    FtpTestServer server;
    ScratchFolder data;
    RecordingSurveyHost host{data.path().string() + "/"};
    SurveyAccount account{server.host(), server.port(), server.options().user, server.options().password};
    FtpClient ftp;
    test::FakeClock clock;
    SurveyUpload upload{host, ftp, clock, account};  // one for every round, as the monitor keeps it
};

// Another installation of the same ERP: a queue of its own, the same survey account.
struct OtherInstallation {
    explicit OtherInstallation(const SurveyRun& r) : account(r.account) {
        fs::create_directories(queueFolder());
    }
    fs::path queueFolder() const { return data.path() / "PESQUISA"; }
    void add(const std::string& name, const std::string& content) const { writeBytes(queueFolder() / name, content); }

    ScratchFolder data;
    RecordingSurveyHost host{data.path().string() + "/"};
    SurveyAccount account;
    FtpClient ftp;
    test::FakeClock clock;
    SurveyUpload upload{host, ftp, clock, account};
};

constexpr const char* kCancelled = "O envio ao servidor FTP foi interrompido porque o monitor está sendo encerrado.";

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
    EXPECT_EQ(namesIn(r.remoteFolder()), (std::vector<std::string>{"PQS_A.txt", "PQS_b.txt", "pqs_C.txt"}));
    const std::string log = r.server.log();
    EXPECT_EQ(occurrences(log, "logged in"), 3u) << log;
    // Each one written under a temporary name of its own, then renamed.
    const auto a = log.find("<- RNTO PQS_A.txt");
    const auto b = log.find("<- RNTO PQS_b.txt");
    const auto c = log.find("<- RNTO pqs_C.txt");
    ASSERT_NE(c, std::string::npos) << log;
    EXPECT_LT(a, b);
    EXPECT_LT(b, c);
    EXPECT_LT(log.find("<- STOR .PQS_A.txt."), a) << log;
    EXPECT_EQ(log.find("<- APPE"), std::string::npos) << log;
    EXPECT_EQ(log.find("<- DELE"), std::string::npos) << log;
    EXPECT_FALSE(r.ftp.connected());

    EXPECT_EQ(r.host.processed, (std::vector<std::string>{"PQS_A.txt", "PQS_b.txt", "pqs_C.txt"}));
    EXPECT_EQ(r.host.statusCodes,
              (std::vector<unsigned>{kStatusSendingSurveys, kStatusMonitoring, kStatusMonitoring, kStatusMonitoring, kStatusSleeping}));
    EXPECT_EQ(r.host.processing, "");
    EXPECT_EQ(r.host.observation, "");
    EXPECT_TRUE(r.host.observations.empty());
    EXPECT_EQ(r.host.pendingEventRounds, 3);
    EXPECT_TRUE(r.clock.sleeps.empty());
}

// The survey account may be an FTPS or SFTP one ("ftps://host", "sftp://host", port 0 for the scheme's own); the
// server data folder holds what it trusts.
TEST(SurveyUpload, SecureSchemesDeliverEveryFileByteForByte) {
    std::string binary(200000, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) {
        binary[i] = static_cast<char>((i * 7919) % 256);
    }
    for (const FtpScheme scheme : {FtpScheme::Ftps, FtpScheme::Sftp}) {
        SCOPED_TRACE(schemeName(scheme));
        SurveyRun r(FtpServerOptions{.scheme = scheme});
        r.account.host = r.server.address();
        if (scheme == FtpScheme::Ftps) {
            fs::copy_file(r.server.certificateAuthority(), r.data / kSiteCertificatesFileName);
        }
        r.add("PQS_1.txt", "pergunta 1;sim\r\npergunta 2;n\xE3o\n");
        r.add("PQS_2.txt", binary);

        r.run();

        EXPECT_EQ(r.host.observation, "");
        EXPECT_TRUE(namesIn(r.queueFolder()).empty());
        EXPECT_EQ(namesIn(r.remoteFolder()), (std::vector<std::string>{"PQS_1.txt", "PQS_2.txt"}));
        EXPECT_EQ(readBytes(r.remoteFolder() / "PQS_1.txt"), "pergunta 1;sim\r\npergunta 2;n\xE3o\n");
        EXPECT_EQ(readBytes(r.remoteFolder() / "PQS_2.txt"), binary);
    }
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
    EXPECT_EQ(r.host.statusCodes, (std::vector<unsigned>{kStatusSendingSurveys, kStatusMonitoring, kStatusMonitoring, kStatusSleeping}));
    EXPECT_EQ(occurrences(r.server.log(), "<- STOR .PQS_2.txt."), 1u);
}

TEST(SurveyUpload, AServerWithoutSizeProvesNothingAndTheFileIsSetAside) {
    SurveyRun r(FtpServerOptions{.sizeCommand = false});
    r.add("PQS_1.txt", "resposta");

    r.run();

    EXPECT_TRUE(namesIn(r.remoteFolder()).empty());
    EXPECT_EQ(namesIn(r.queueFolder()), std::vector<std::string>{"ERROPQS_1.txt"});
    EXPECT_EQ(r.host.observation, kSurveyUploadFailed);
    EXPECT_EQ(r.host.statusCodes, (std::vector<unsigned>{kStatusSendingSurveys, kStatusSleeping}));
}

// Two installations may queue answers under the same name. What the first one delivered belongs to the maker:
// the second one's file neither replaces it, nor is added onto it, nor has it deleted; it waits under its own
// name, and the rest of its queue still goes.
TEST(SurveyUpload, AFileWhoseNameTheServerAlreadyHasWaitsAndTheOthersGo) {
    SurveyRun r;
    const std::string first1 = "respostas da primeira instalação, arquivo 1";
    const std::string first3 = "respostas da primeira instalação, arquivo 3";
    r.add("PQS_20261210_0001.txt", first1);
    r.add("PQS_20261210_0003.txt", first3);
    r.run();
    ASSERT_TRUE(namesIn(r.queueFolder()).empty()) << "the first installation delivered";

    OtherInstallation second(r);
    const std::string secondsOwn = "a segunda instalação";
    second.add("PQS_20261210_0001.txt", secondsOwn);
    second.add("PQS_20261210_0002.txt", "arquivo 2");
    second.add("pqs_20261210_0003.TXT", "só a caixa difere: um servidor Windows o tomaria pelo mesmo");
    second.upload.uploadSurveys();

    EXPECT_EQ(readBytes(r.remoteFolder() / "PQS_20261210_0001.txt"), first1);
    EXPECT_EQ(readBytes(r.remoteFolder() / "PQS_20261210_0003.txt"), first3);
    EXPECT_EQ(readBytes(r.remoteFolder() / "PQS_20261210_0002.txt"), "arquivo 2");
    EXPECT_EQ(namesIn(r.remoteFolder()),
              (std::vector<std::string>{"PQS_20261210_0001.txt", "PQS_20261210_0002.txt", "PQS_20261210_0003.txt"}));
    EXPECT_EQ(namesIn(second.queueFolder()),
              (std::vector<std::string>{"PQS_20261210_0001.txt", "pqs_20261210_0003.TXT"}));
    EXPECT_EQ(second.host.observations,
              (std::vector<std::string>{"Já existe no servidor um arquivo com o nome PQS_20261210_0001.txt; o arquivo "
                                        "fica na pasta PESQUISA e será enviado quando o nome estiver livre.",
                                        "Já existe no servidor um arquivo com o nome pqs_20261210_0003.TXT; o arquivo "
                                        "fica na pasta PESQUISA e será enviado quando o nome estiver livre."}));
    EXPECT_TRUE(second.clock.sleeps.empty());
    ASSERT_EQ(second.host.notes.size(), 3u);
    EXPECT_EQ(second.host.notes[0].rfind("PQS_20261210_0001.txt FALHA Já existe no servidor", 0), 0u);

    // Told once, not every minute; told again once the file's lot changed.
    second.host.notes.clear();
    second.upload.uploadSurveys();
    EXPECT_TRUE(second.host.notes.empty());
    fs::remove(r.remoteFolder() / "PQS_20261210_0001.txt");
    second.upload.uploadSurveys();
    EXPECT_EQ(second.host.notes, std::vector<std::string>{"PQS_20261210_0001.txt OK enviado (" +
                                                          std::to_string(secondsOwn.size()) + " bytes)"});
    EXPECT_EQ(readBytes(r.remoteFolder() / "PQS_20261210_0001.txt"), secondsOwn);
}

// The listing before the upload is not enough: another installation may deliver its file while ours travels.
TEST(SurveyUpload, AFileOfTheSameNameThatArrivesDuringTheUploadIsKept) {
    SurveyRun r;
    r.add("PQS_1.txt", std::string(2000000, 'b'));
    const std::string theirs = "entregue pela outra instalação durante o envio";
    r.ftp.setCancelCheck([&] {
        if (r.server.largestFileSize() > 0 && !fs::exists(r.remoteFolder() / "PQS_1.txt")) {
            writeBytes(r.remoteFolder() / "PQS_1.txt", theirs);
        }
        return false;
    });

    r.run();

    EXPECT_EQ(readBytes(r.remoteFolder() / "PQS_1.txt"), theirs);
    EXPECT_EQ(namesIn(r.remoteFolder()), std::vector<std::string>{"PQS_1.txt"}) << "our temporary file is gone";
    EXPECT_EQ(namesIn(r.queueFolder()), std::vector<std::string>{"PQS_1.txt"});
}

// The monitor is ending while a stalled server holds the upload: it does not wait for the stall time-out, and
// the file stays queued for the next start.
TEST(SurveyUpload, AnEndingMonitorStopsAStalledUploadAndKeepsTheQueue) {
    SurveyRun r(FtpServerOptions{.stallUploadAfter = 100000});
    r.add("PQS_1.txt", std::string(2000000, 'x'));
    r.add("PQS_2.txt", "2");
    r.ftp.setCancelCheck([&] { return r.server.stalled(); });

    const auto start = std::chrono::steady_clock::now();
    r.run();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << "hang guard only";

    EXPECT_EQ(namesIn(r.queueFolder()), (std::vector<std::string>{"PQS_1.txt", "PQS_2.txt"}));
    EXPECT_EQ(r.host.processed, std::vector<std::string>{"PQS_1.txt"}) << "the round stops";
    EXPECT_EQ(r.host.observation, kCancelled);
    EXPECT_EQ(r.host.notes, std::vector<std::string>{std::string("PQS_1.txt FALHA aguarda o próximo ciclo: ") +
                                                     kCancelled});
    EXPECT_TRUE(r.clock.sleeps.empty());
    EXPECT_FALSE(r.ftp.connected());
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
        EXPECT_EQ(r.host.statusCodes, (std::vector<unsigned>{kStatusSendingSurveys, kStatusSleeping}));
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
        SurveyUpload(host, ftp, clock, SurveyAccount{"127.0.0.1", 21, "u", "p"}).uploadSurveys();
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
        EXPECT_EQ(r.host.statusCodes, (std::vector<unsigned>{kStatusSendingSurveys, kStatusSleeping}));
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
    EXPECT_EQ(occurrences(log, "<- STOR .PQS_1.txt."), 1u) << log;
    EXPECT_EQ(occurrences(log, "<- STOR .PQS_2.txt."), 1u) << log;
    EXPECT_EQ(r.clock.sleeps, (std::vector<std::chrono::milliseconds>{3000ms, 3000ms}));
    EXPECT_EQ(r.host.statusCodes.back(), kStatusSleeping);
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
