#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "monitor_harness.h"
#include "support/file_bytes.h"
#include "support/journal_lines.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::MonitorHarness;
using test::ProcessEnded;

fs::path journalFile(const MonitorHarness& h) { return h.erp.dataFolder() / "velmoraMonitorPublicacao.log"; }

std::vector<std::string> kindsAndResults(const MonitorHarness& h) {
    std::vector<std::string> seen;
    for (const auto& line : test::journalLines(journalFile(h))) {
        seen.push_back(line.kind + " " + line.result);
    }
    return seen;
}

// Every way the monitor ends leaves its reason, after the start and whatever it told the user on the way.
TEST(JournalEvents, EveryEndIsJournaledWithItsReason) {
    const struct {
        const char* how;
        std::function<void(MonitorHarness&)> before;  // before start-up
        std::function<void(MonitorHarness&)> end;
        std::vector<std::string> lines;
        const char* reason;
    } cases[] = {
        {"Sair after a message box", nullptr,
         [](MonitorHarness& h) {
             h.monitor->publishNowRequested();  // no row selected
             h.monitor->quitRequested();
         },
         {"INICIO OK", "MENSAGEM OK", "FIM OK"}, "Sair"},
        {"the disconnect flag", nullptr,
         [](MonitorHarness& h) {
             test::writeBytes(h.erp.flagFile(), "DESCONECTAR\r\n");
             h.monitor->disconnectWatchFired();
         },
         {"INICIO OK", "FIM OK"}, "sinal de desconexão (DESCONECTAR em Conectado.txt)"},
        {"another monitor's fresh lock",
         [](MonitorHarness& h) { test::writeBytes(h.erp.lockFile(), "lock of the other monitor"); },
         [](MonitorHarness& h) { h.monitor->endProgram(); },
         {"INICIO OK", "MENSAGEM OK", "FIM OK"}, "outro monitor em execução (arquivo de trava "},
    };
    for (const auto& c : cases) {
        MonitorHarness h;
        if (c.before) {
            c.before(h);
        }
        h.monitor->startUp();
        EXPECT_THROW(c.end(h), ProcessEnded) << c.how;

        EXPECT_EQ(kindsAndResults(h), c.lines) << c.how;
        const auto lines = test::journalLines(journalFile(h));
        ASSERT_FALSE(lines.empty()) << c.how;
        EXPECT_EQ(lines.front().subject, h.erp.programPath().string()) << c.how;
        EXPECT_EQ(lines.front().detail.rfind("Versão: ", 0), 0u) << c.how;
        EXPECT_EQ(lines.back().detail.rfind(c.reason, 0), 0u) << c.how << ": " << lines.back().detail;
    }
}

}  // namespace
}  // namespace velmora
