#include "monitor/publication_outcomes.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

namespace velmora {
namespace {

using namespace std::chrono_literals;

TEST(PublicationOutcomes, TheNoticeIsDueAfterThreeFailuresOrTwiceTheIntervalWithoutAPublication) {
    const DateTime now = makeDateTime(2026, 12, 10, 9, 0);
    const struct {
        const char* why;
        int failures;
        std::optional<DateTime> lastPublished;
        std::chrono::minutes interval;
        bool due;
    } cases[] = {
        {"two failures of a daily report published yesterday", 2, now - 24h, 24h, false},
        {"three failures in a row", 3, now - 1h, 24h, true},
        {"a daily report last published two days ago", 1, now - 48h, 24h, true},
        {"an hourly report last published three hours ago", 1, now - 3h, 60min, true},
        {"never published, failing for one hour of a daily report", 2, std::nullopt, 24h, false},
        {"an interval of zero hours counts only the failures", 2, now - 1000h, 0min, false},
    };
    for (const auto& c : cases) {
        PublicationOutcomes outcomes;
        for (int failure = 0; failure < c.failures; ++failure) {
            outcomes.failed("Vendas", "sem rede", now - 1h + std::chrono::minutes(failure));
        }
        EXPECT_EQ(outcomes.noticeDue("Vendas", c.lastPublished, c.interval, now), c.due) << c.why;
    }
}

TEST(PublicationOutcomes, OneNoticePerStreakAndASuccessStartsOver) {
    const DateTime now = makeDateTime(2026, 12, 10, 9, 0);
    PublicationOutcomes outcomes;
    for (int failure = 1; failure <= 7; ++failure) {
        outcomes.failed("Vendas", "falha " + std::to_string(failure), now);
    }
    ASSERT_TRUE(outcomes.noticeDue("Vendas", now, 24h, now));
    outcomes.noticeSent("Vendas");
    EXPECT_FALSE(outcomes.noticeDue("Vendas", now, 24h, now));
    ASSERT_EQ(outcomes.recentErrors("Vendas").size(), PublicationOutcomes::kErrorsKept);
    EXPECT_EQ(outcomes.recentErrors("Vendas").back().second, "falha 7");

    outcomes.succeeded("Vendas");
    EXPECT_EQ(outcomes.gridText("Vendas"), "OK");
    EXPECT_TRUE(outcomes.recentErrors("Vendas").empty());
    for (int failure = 1; failure <= 3; ++failure) {
        outcomes.failed("Vendas", "de novo", now);
    }
    EXPECT_TRUE(outcomes.noticeDue("Vendas", now, 24h, now));
}

TEST(PublicationOutcomes, TheGridTellsTheLastOutcomeInShort) {
    PublicationOutcomes outcomes;
    EXPECT_EQ(outcomes.gridText("Desconhecido"), "");
    outcomes.takeFromJournal({{"Vendas", {false, "530 Login incorrect.", {}}}, {"Preços", {true, "pasta", {}}}});
    EXPECT_EQ(outcomes.gridText("Vendas"), "Falhou: 530 Login incorrect.");
    EXPECT_EQ(outcomes.gridText("Preços"), "OK");

    const std::string longReason = std::string(119, 'a') + "ção e mais\r\nsegunda linha";
    outcomes.failed("Preços", longReason, {});
    EXPECT_EQ(outcomes.gridText("Preços"), "Falhou: " + std::string(119, 'a') + "...") << "never half a character";
    outcomes.failed("Curto", "primeira linha\nsegunda", {});
    EXPECT_EQ(outcomes.gridText("Curto"), "Falhou: primeira linha");
}

}  // namespace
}  // namespace velmora
