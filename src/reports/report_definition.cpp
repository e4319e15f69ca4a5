#include "reports/report_definition.h"

#include <algorithm>
#include <array>

#include "common/connection.h"

namespace velmora {

namespace {

ResultSet columnsInOrder(int reportId, Connection& connection) {
    return connection.query(
        " select trc.id_relatorio_campo, trc.no_coluna, frc.nm_campo_tabela from tab_relatorio_coluna trc left join "
        "fix_relatorio_campo frc on (trc.id_relatorio_campo = frc.id_relatorio_campo) where trc.id_relatorio = " +
        std::to_string(reportId) + " order by trc.no_coluna");
}

std::string dropLast(std::string text) {
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

}  // namespace

bool isAggregateField(int fieldId) {
    static constexpr std::array kAggregates{25,  37,  39,  40,  41,  42,  63,  82,  124, 125, 126,
                                            130, 145, 150, 151, 152, 153, 154, 157, 158, 160};
    return std::find(kAggregates.begin(), kAggregates.end(), fieldId) != kAggregates.end();
}

std::string reportSelectList(int reportId, Connection& connection) {
    const ResultSet rows = columnsInOrder(reportId, connection);
    std::string list;
    for (std::size_t row = 0; row < rows.rowCount(); ++row) {
        list += " " + rows.field(row, "nm_campo_tabela").asString() + ",";
    }
    return dropLast(std::move(list));
}

bool reportIsItemLevel(int reportId, Connection& connection) {
    const std::string id = std::to_string(reportId);
    const ResultSet columns = connection.query(
        " select count(*) as qtde from tab_relatorio_coluna trc left join fix_relatorio_campo frc on "
        "(trc.id_relatorio_campo = frc.id_relatorio_campo) where trc.id_relatorio = " +
        id + " and frc.id_relatorio_tabela = 2");
    const ResultSet filters = connection.query(
        " select count(*) as qtde from tab_relatorio_parametro trp left join fix_relatorio_filtro frf on "
        "(frf.id_relatorio_filtro = trp.id_relatorio_filtro) where trp.id_relatorio = " +
        id + " and frf.id_relatorio_tabela = 2 " + " and frf.no_item_combo in (0,1,2,3,4,5,6)");
    return columns.field(0, "qtde").asInteger() > 0 || filters.field(0, "qtde").asInteger() > 0;
}

const std::string& itemLevelFrom() {
    static const std::string text =
        " mov_nf_comercio_item mci  inner join mov_nf_comercio mc on (mc.id_nf_comercio = mci.id_nf_comercio) "
        "inner join cad_pessoa emp on (emp.id_pessoa = mc.id_empresa) left join mov_nfe nfe on (mc.id_nf_comercio "
        "= nfe.id_nf_comercio) left join qtde_comissionados(mc.id_nf_comercio) on (1=1)";
    return text;
}

const std::string& documentLevelFrom() {
    static const std::string text =
        " mov_nf_comercio mc  inner join cad_pessoa emp on (emp.id_pessoa = mc.id_empresa) left join mov_nfe nfe "
        "on (mc.id_nf_comercio = nfe.id_nf_comercio) left join qtde_comissionados(mc.id_nf_comercio) on (1=1)";
    return text;
}

std::string reportName(int reportId, Connection& connection) {
    const ResultSet rows =
        connection.query(" select tr.nm_relatorio from tab_relatorio tr where tr.id_relatorio = " +
                         std::to_string(reportId));
    return rows.empty() ? std::string() : rows.field(0, "nm_relatorio").asString();
}

std::string reportGroupBy(int reportId, Connection& connection) {
    const ResultSet rows = columnsInOrder(reportId, connection);
    std::string list;
    for (std::size_t row = 0; row < rows.rowCount(); ++row) {
        if (!isAggregateField(static_cast<int>(rows.field(row, "id_relatorio_campo").asInteger()))) {
            list += " " + std::to_string(rows.field(row, "no_coluna").asInteger()) + ",";
        }
    }
    return dropLast(std::move(list));
}

std::string reportOrderBy(int reportId, Connection& connection) {
    const ResultSet rows = connection.query(
        " select tro.id_relatorio_campo, tro.no_ordem, frc.nm_campo_tabela, tro.ST_DESCENDENTE from "
        "tab_relatorio_ordem tro left join fix_relatorio_campo frc on (tro.id_relatorio_campo = "
        "frc.id_relatorio_campo) where tro.id_relatorio = " +
        std::to_string(reportId) + " order by tro.no_ordem");
    std::string list;
    for (std::size_t row = 0; row < rows.rowCount(); ++row) {
        std::string expression = rows.field(row, "nm_campo_tabela").asString();
        // Only the lower-case keyword separates an alias; the catalogue writes AS in upper case inside casts.
        if (const auto alias = expression.find(" as "); alias != std::string::npos) {
            expression.resize(alias);
        }
        list += " " + expression;
        if (rows.field(row, "ST_DESCENDENTE").asString() == "S") {
            list += " desc";
        }
        list += ",";
    }
    return dropLast(std::move(list));
}

}  // namespace velmora
