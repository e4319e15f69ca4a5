#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "monitor_harness.h"
#include "support/journal_lines.h"
#include "support/ftp_test_server.h"
#include "survey/survey_account.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::FtpServerOptions;
using test::FtpTestServer;
using test::MonitorHarness;

TEST(SurveyCycle, TheLastStepOfTheCycleUploadsTheSurveysToTheConfiguredAccount) {
    FtpTestServer server(FtpServerOptions{.dropUploadAfter = 100});  // larger uploads break
    fs::create_directories(server.root() / "PESQUISA_VELMORA");
    MonitorHarness h;
    const fs::path queue = h.erp.dataFolder() / "PESQUISA";
    fs::create_directories(queue);
    std::ofstream(queue / "PQS_1.txt", std::ios::binary) << "resposta";
    std::ofstream(queue / "PQS_2.txt", std::ios::binary) << std::string(500, 'x');
    h.monitor->setSurveyAccount(
        SurveyAccount{server.host(), server.port(), server.options().user, server.options().password});
    h.monitor->startUp();
    h.ui.statusHistory.clear();

    h.monitor->cycleTimerFired();

    EXPECT_TRUE(fs::exists(server.root() / "PESQUISA_VELMORA" / "PQS_1.txt"));
    EXPECT_FALSE(fs::exists(queue / "PQS_1.txt"));
    EXPECT_TRUE(fs::exists(queue / "ERROPQS_2.txt"));
    EXPECT_EQ(h.ui.observationText, "Erro no envio para FTP");
    EXPECT_EQ(h.ui.processingText, "PQS_2.txt");
    EXPECT_NE(std::find(h.clock.sleeps.begin(), h.clock.sleeps.end(), 3000ms), h.clock.sleeps.end());

    const auto& words = h.ui.statusHistory;
    const auto passEnd = std::find(words.begin(), words.end(), "DORMINDO");
    const auto sending = std::find(words.begin(), words.end(), "ENVIANDO PESQUISA");
    ASSERT_NE(sending, words.end());
    EXPECT_LT(passEnd, sending) << "the publication pass comes first";
    EXPECT_EQ(std::vector<std::string>(sending, words.end()),
              (std::vector<std::string>{"ENVIANDO PESQUISA", "MONITORANDO", "DORMINDO"}));
    EXPECT_TRUE(h.ui.cycleTimer);
    EXPECT_TRUE(h.ui.disconnectTimer);

    // Each file's fate stays in the journal.
    h.monitor->journal().flush();
    const auto lines = test::journalLines(h.erp.dataFolder() / "velmoraMonitorPublicacao.log", "PESQUISA");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].subject + " " + lines[0].result + " " + lines[0].detail, "PQS_1.txt OK enviado (8 bytes)");
    EXPECT_EQ(lines[1].subject + " " + lines[1].result, "PQS_2.txt FALHA");
    EXPECT_EQ(lines[1].detail.rfind("separado como ERROPQS_2.txt: ", 0), 0u) << lines[1].detail;
}

}  // namespace
}  // namespace velmora
