#include <gtest/gtest.h>

#include "monitor_harness.h"

namespace velmora {
namespace {

using test::MonitorHarness;

TEST(PublicarAgora, WithoutASelectedReportItSaysSoAndChangesNothing) {
    MonitorHarness h(true);
    h.monitor->startUp();
    h.ui.selectedId = 0;
    h.monitor->publishNowRequested();
    ASSERT_EQ(h.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(h.ui.messageBoxes[0].title, "Aviso do Sistema");
    EXPECT_EQ(h.ui.messageBoxes[0].text, "Nenhuma planilha selecionada");
    EXPECT_EQ(h.ui.messageBoxes[0].icon, MessageIcon::Warning);
    EXPECT_TRUE(h.jobs->log.empty());
    EXPECT_TRUE(h.ui.cycleTimer);
}

TEST(PublicarAgora, MakesTheSelectedReportDueAndRunsAPass) {
    MonitorHarness h;
    auto db = h.erp.connect();
    db->execute("delete from tab_relatorio");
    db->execute(
        "insert into tab_relatorio (id_relatorio, nm_relatorio, st_ativo, tp_publicacao, dh_proxima_public)"
        " values (5, 'Vendas do mês', 'S', 1, '01.01.2099 08:00:00')");
    h.monitor->startUp();
    h.monitor->windowShown();
    ASSERT_EQ(h.ui.reports.size(), 1u);
    EXPECT_EQ(h.ui.reports[0].nextPublication, "01/01/2099 08:00");
    h.ui.selectedId = h.ui.reports[0].id;

    h.monitor->publishNowRequested();

    const ResultSet row = db->query("select dh_proxima_public from tab_relatorio where id_relatorio = 5");
    EXPECT_LT(row.field(0, 0).asDateTime(), makeDateTime(2099, 1, 1));
    EXPECT_TRUE(h.ui.messageBoxes.empty());
    EXPECT_EQ(h.ui.statusWord, "DORMINDO");
    EXPECT_GE(h.ui.gridRefreshes, 3) << "on show, before the pass and at its end";
    EXPECT_TRUE(h.ui.cycleTimer);
}

TEST(ForcarEmail, RunsTheReminderStepAndShowsItsErrorInABox) {
    MonitorHarness h(true);
    h.monitor->startUp();
    h.monitor->remindersNowRequested();
    EXPECT_EQ(h.jobs->log, std::vector<std::string>{"avisos"});
    EXPECT_TRUE(h.ui.cycleTimer);

    h.jobs->onStep = [](const std::string&) { throw std::runtime_error("Modelo de e-mail não encontrado"); };
    h.monitor->remindersNowRequested();
    ASSERT_EQ(h.ui.messageBoxes.size(), 1u);
    EXPECT_EQ(h.ui.messageBoxes[0].title, "velmora Monitor Publicação");
    EXPECT_EQ(h.ui.messageBoxes[0].text, "Modelo de e-mail não encontrado");
    EXPECT_TRUE(h.ui.cycleTimer);
    EXPECT_TRUE(h.ui.disconnectTimer);
}

TEST(StatusWord, EachCodeHasItsWordAndOtherCodesChangeNothing) {
    MonitorHarness h;
    const std::pair<unsigned, const char*> cases[] = {{1, "MONITORANDO"},       {2, "GERANDO PLANILHA"},
                                                      {3, "ENVIANDO PARA FTP"}, {4, "ENVIANDO PESQUISA"},
                                                      {5, "DORMINDO"},          {6, "GERANDO EMAIL"},
                                                      {0, "GERANDO EMAIL"},     {7, "GERANDO EMAIL"}};
    for (const auto& [code, word] : cases) {
        h.monitor->setStatus(code);
        EXPECT_EQ(h.ui.statusWord, word) << code;
    }
}

}  // namespace
}  // namespace velmora
