#include "monitor/reports_grid.h"

#include <gtest/gtest.h>

#include "support/erp_installation.h"

namespace velmora {
namespace {

TEST(ReportsGrid, StatementIsAssembledWithQuotedTexts) {
    EXPECT_EQ(gridStatement(),
              " select ID_RELATORIO, NM_RELATORIO, (case TP_PUBLICACAO when 1 then 'Salvar na Pasta' else 'Enviar por "
              "FTP' end) as DS_PUBLICACAO, DH_ULTIMA_PUBLIC, DH_PROXIMA_PUBLIC, TP_PUBLICACAO from tab_relatorio where "
              "st_ativo = 'S' order by NM_RELATORIO");
}

TEST(ReportsGrid, ListsActiveReportsByNameWithTheirScheduleFormatted) {
    test::ErpInstallation erp;
    auto db = erp.connect();
    db->execute("delete from tab_relatorio");
    const char* inserts[] = {
        "insert into tab_relatorio (id_relatorio, nm_relatorio, st_ativo, tp_publicacao, dh_ultima_public, "
        "dh_proxima_public) values (1, 'Vendas por região', 'S', 1, '09.12.2026 08:00:31', '10.12.2026 08:00:00')",
        "insert into tab_relatorio (id_relatorio, nm_relatorio, st_ativo, tp_publicacao) values (2, 'Comissões', 'S', 2)",
        "insert into tab_relatorio (id_relatorio, nm_relatorio, st_ativo, tp_publicacao) values (3, 'Antigo', 'N', 1)",
        "insert into tab_relatorio (id_relatorio, nm_relatorio, st_ativo, tp_publicacao) values (4, 'Minúsculo', 's', 1)",
        "insert into tab_relatorio (id_relatorio, nm_relatorio, st_ativo) values (5, 'Atacado', 'S')",
    };
    for (const char* insert : inserts) {
        db->execute(insert);
    }

    const std::vector<ReportRow> rows = readGridRows(*db);
    const std::vector<ReportRow> expected = {
        {5, "Atacado", "Enviar por FTP", "", "", 0, ""},
        {2, "Comissões", "Enviar por FTP", "", "", 2, ""},
        {1, "Vendas por região", "Salvar na Pasta", "09/12/2026 08:00", "10/12/2026 08:00", 1, ""},
    };
    EXPECT_EQ(rows, expected);
}

TEST(ReportsGrid, NoActiveReportGivesNoRows) {
    test::ErpInstallation erp;
    auto db = erp.connect();
    db->execute("update tab_relatorio set st_ativo = 'N'");
    EXPECT_TRUE(readGridRows(*db).empty());
}

}  // namespace
}  // namespace velmora
