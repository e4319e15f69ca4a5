#include "reports/report_joins.h"

#include <cstdint>
#include <initializer_list>

#include "common/connection.h"
#include "reports/report_definition.h"

namespace velmora {

namespace {

std::string commaList(std::initializer_list<int> values) {
    std::string text;
    for (const int value : values) {
        text += (text.empty() ? "" : ",") + std::to_string(value);
    }
    return text;
}

// One group's view of the report: whether a trigger fires, and the group's first join, added once.
class JoinGroup {
public:
    // filterTable 0: the group has no filter triggers.
    JoinGroup(int reportId, Connection& connection, int filterTable, std::string firstJoin = {})
        : reportId_(std::to_string(reportId)),
          connection_(connection),
          filterTable_(filterTable),
          firstJoin_(std::move(firstJoin)) {}

    bool hasColumn(std::initializer_list<int> fieldIds) {
        return count(" select count(*) as qtde from tab_relatorio_coluna trc where trc.id_relatorio = " +
                     reportId_ + " and trc.id_relatorio_campo in (" + commaList(fieldIds) + ")") > 0;
    }

    bool hasFilter(std::initializer_list<int> filterKinds) {
        return count(" select count(*) as qtde from tab_relatorio_parametro trp left join fix_relatorio_filtro frf "
                     "on (frf.id_relatorio_filtro = trp.id_relatorio_filtro) where trp.id_relatorio = " +
                     reportId_ + " and frf.id_relatorio_tabela = " + std::to_string(filterTable_) +
                     " and frf.no_item_combo in (" + commaList(filterKinds) + ")") > 0;
    }

    bool fires(std::initializer_list<int> fieldIds, std::initializer_list<int> filterKinds = {}) {
        return hasColumn(fieldIds) || (filterKinds.size() > 0 && hasFilter(filterKinds));
    }

    void addFirstJoin() {
        if (!firstJoinAdded_) {
            text_ += firstJoin_;
            firstJoinAdded_ = true;
        }
    }
    // A join that stands for the first one: later steps must not add the first join any more.
    void addInsteadOfFirstJoin(const std::string& join) {
        text_ += join;
        firstJoinAdded_ = true;
    }
    bool firstJoinAdded() const { return firstJoinAdded_; }
    void add(const std::string& joins) { text_ += joins; }
    void addWithFirstJoin(const std::string& joins) {
        addFirstJoin();
        text_ += joins;
    }

    const std::string& reportId() const { return reportId_; }
    std::string text() const { return text_; }

private:
    std::int64_t count(const std::string& sql) { return connection_.query(sql).field(0, "qtde").asInteger(); }

    std::string reportId_;
    Connection& connection_;
    int filterTable_;
    std::string firstJoin_;
    bool firstJoinAdded_ = false;
    std::string text_;
};

std::string productJoins(int reportId, Connection& connection) {
    JoinGroup group(reportId, connection, kProductTable,
                    " inner join cad_produto pro on (mci.id_produto = pro.id_produto)");
    if (group.fires({26, 27, 28, 29, 58, 118, 119, 120, 121, 122, 123, 150, 157}, {0, 1, 2, 3, 4, 5, 6})) {
        group.addFirstJoin();
    }
    if (group.fires({30})) {
        group.addWithFirstJoin(" left join cad_pessoa cp_fab on (pro.id_fabrica = cp_fab.id_pessoa)");
    }
    if (group.fires({31})) {
        group.addWithFirstJoin(" left join tab_tipo_produto ttp on (pro.id_tp_produto = ttp.id_tp_produto)");
    }
    if (group.fires({32})) {
        group.addWithFirstJoin(" left join tab_grupo_produto tgp on (pro.id_gr_produto = tgp.id_gr_produto)");
    }
    if (group.fires({33})) {
        group.addWithFirstJoin(" left join tab_atividade ta_pro on (pro.id_atividade = ta_pro.id_atividade)");
    }
    if (group.fires({34})) {
        group.addWithFirstJoin(" left join tab_centro_custo tcc on (pro.id_centro_custo = tcc.id_centro_custo)");
    }
    if (group.fires({132})) {
        group.addWithFirstJoin(" left join tab_opcao_tabela clas on (clas.id_opcao_tabela = pro.ID_CLASSE_ABC)");
    }
    return group.text();
}

std::string documentJoins(int reportId, Connection& connection) {
    JoinGroup group(reportId, connection, kOperationTable);
    const ResultSet lookups = connection.query(
        " select id_relatorio_campo from tab_relatorio_coluna trc where trc.id_relatorio = " + group.reportId() +
        " and trc.id_relatorio_campo in (76,77,78,106,171,174)" + " order by trc.id_relatorio_campo ");
    for (std::size_t row = 0; row < lookups.rowCount(); ++row) {
        switch (lookups.field(row, "id_relatorio_campo").asInteger()) {
            case 76: group.add(" left join tab_plano_pagto plano on (plano.ID_PLANO_PAGTO = mc.ID_PLANO_PAGTO)"); break;
            case 77: group.add(" left join FIX_TP_PAGTO Frm on (frm.ID_TP_PAGTO = mc.ID_TP_PAGTO)"); break;
            case 78: group.add(" left join cad_conta conta on (conta.id_conta = mc.ID_CONTA)"); break;
            case 106:
                group.add(" left join fix_situacao_orcamento fso on (fso.id_situacao_orcamento = "
                          "mc.id_situacao_orcamento)");
                break;
            case 171:
                group.add(" left join tab_canal_divulgacao tcd on (tcd.id_canal_divulgacao = mc.id_canal_divulgacao)");
                break;
            default: break;  // 174 joins below, together with the stock-movement filter
        }
    }
    const bool movementColumn = !connection
                                     .query(" select id_relatorio_campo from tab_relatorio_coluna trc where "
                                            "trc.id_relatorio = " +
                                            group.reportId() + " and trc.id_relatorio_campo = 174" +
                                            " order by trc.id_relatorio_campo ")
                                     .empty();
    if (movementColumn || group.hasFilter({2})) {
        group.add(" inner join fix_tp_mov_estoque ftmf on (ftmf.id_tp_mov_estoque = mc.id_tp_mov_estoque)");
    }
    if (group.fires({161, 162, 163, 164, 165})) {
        group.add(" left join cad_end_pessoa cep_cli_fat on (cep_cli_fat.id_end_pessoa = mc.id_end_faturamento)"
                  " left join tab_cidade tc_cli_fat on (cep_cli_fat.id_cidade = tc_cli_fat.id_cidade)");
    }
    if (group.fires({166, 167, 168, 169, 170})) {
        group.add(" left join cad_end_pessoa cep_cli_ent on (cep_cli_ent.id_end_pessoa = mc.id_end_entrega)"
                  " left join tab_cidade tc_cli_ent on (cep_cli_ent.id_cidade = tc_cli_ent.id_cidade)");
    }
    return group.text();
}

std::string clientJoins(int reportId, Connection& connection) {
    JoinGroup group(reportId, connection, kClientTable,
                    " inner join cad_pessoa cp_cli on (cp_cli.id_pessoa = mc.id_destinatario_remetente)");
    // Potential (1), registration date (5) and active flag (6) filter on cp_cli too.
    if (group.fires({1, 2, 3, 4, 59, 60, 61, 62, 63, 64, 65, 84, 85, 88, 89, 90, 91, 92, 93, 94, 95, 96, 97, 98,
                     99, 100, 101, 102, 103},
                    {0, 1, 5, 6, 9})) {
        group.addFirstJoin();
    }
    if (group.fires({5}, {2})) {
        group.addWithFirstJoin(
            " left join tab_regiao_venda trv_cli on (cp_cli.id_regiao_venda = trv_cli.id_regiao_venda)");
    }
    if (group.fires({6}, {3})) {
        group.addWithFirstJoin(" left join tab_atividade ta on (cp_cli.id_atividade = ta.id_atividade)");
    }
    if (group.fires({7}, {4})) {
        group.addWithFirstJoin(
            " left join tab_grupo_empresa tge on (cp_cli.id_grupo_empresa = tge.id_grupo_empresa)");
    }
    if (group.fires({8, 9, 43, 44, 45, 128}, {7, 8})) {
        group.addWithFirstJoin(
            " left join cad_end_pessoa cep_cli on (cep_cli.id_pessoa = mc.id_destinatario_remetente"
            " and cep_cli.st_fatura = 'S')"
            " left join tab_cidade tc_cli on (cep_cli.id_cidade = tc_cli.id_cidade)");
    }
    if (group.fires({155})) {
        group.addWithFirstJoin(
            " left join tab_opcao_tabela regime on (regime.id_opcao_tabela = cp_cli.ID_REGIME_TRIBUTARIO_FEDERAL)");
    }
    if (group.fires({49, 50, 51, 52, 53, 129})) {
        if (!group.firstJoinAdded()) {
            group.addInsteadOfFirstJoin(
                " inner join cad_pessoa cp_cli_entrega on (cp_cli_entrega.id_pessoa = mc.id_destinatario_remetente)");
        }
        group.add(" left join cad_end_pessoa cep_cli_entrega on (cep_cli_entrega.id_pessoa = "
                  "mc.id_destinatario_remetente and cep_cli_entrega.st_entrega = 'S')"
                  " left join tab_cidade tc_cli_entrega on (cep_cli_entrega.id_cidade = tc_cli_entrega.id_cidade)");
    }
    if (group.fires({46, 48})) {
        group.addWithFirstJoin(" left join cad_contato_pessoa ccp_cli on (ccp_cli.id_pessoa = "
                               "mc.id_destinatario_remetente and ccp_cli.st_fone_principal = 'S')");
    }
    if (group.fires({47})) {
        group.addWithFirstJoin(" left join cad_contato_pessoa ccp_cli_e on (ccp_cli_e.id_pessoa = "
                               "mc.id_destinatario_remetente and ccp_cli_e.st_email_principal = 'S')");
    }
    if (group.fires({87})) {
        group.addWithFirstJoin(" left join cad_contato_pessoa ccp_cli_cc on (ccp_cli_cc.id_pessoa = "
                               "mc.id_destinatario_remetente and ccp_cli_cc.st_contato_comercial = 'S')");
    }
    return group.text();
}

std::string sellerJoins(int reportId, Connection& connection) {
    JoinGroup group(reportId, connection, kSellerTable,
                    " left join cad_pessoa cp_ven on (cp_ven.id_pessoa = mc.id_vendedor)");
    // The sales-region filter (3) reads cp_ven as well.
    if (group.fires({10, 11}, {3, 4})) {
        group.addFirstJoin();
    }
    if (group.fires({12, 13}, {0, 1})) {
        group.add(" left join cad_end_pessoa cep_ven on (cep_ven.id_pessoa = mc.id_vendedor "
                  "and cep_ven.st_fatura = 'S')"
                  " left join tab_cidade tc_ven on (cep_ven.id_cidade = tc_ven.id_cidade)");
    }
    if (group.fires({14, 15}, {2})) {
        group.addWithFirstJoin(" left join cad_pessoa cp_sup on (cp_sup.id_pessoa = cp_ven.id_representante)");
    }
    group.add(" left join cad_pessoa vend2 on (mc.id_vendedor2 = vend2.id_pessoa)");
    return group.text();
}

std::string operationJoins(int reportId, Connection& connection) {
    JoinGroup group(reportId, connection, kOperationTable,
                    " inner join tab_nat_operacao tno on (tno.id_nat_operacao = mc.id_nat_operacao)");
    if (group.fires({16, 17, 18, 41, 42, 63}, {1, 2})) {
        group.addFirstJoin();
    }
    if (group.fires({19}, {0})) {
        group.addWithFirstJoin(
            " left join tab_classe_operacao tco on (tco.id_classe_operacao = tno.id_classe_operacao)");
    }
    if (group.fires({117}, {2})) {
        group.addWithFirstJoin(
            " inner join FIX_TP_MOV_ESTOQUE ftmn on (ftmn.ID_TP_MOV_ESTOQUE = tno.ID_TP_MOV_ESTOQUE)");
    }
    return group.text();
}

std::string carrierJoins(int reportId, Connection& connection) {
    JoinGroup group(reportId, connection, 0);
    if (group.hasColumn({135})) {
        group.add(" left join cad_pessoa transp on (transp.id_pessoa = mc.ID_TRANSPORTADORA)");
    }
    return group.text();
}

}  // namespace

std::string reportJoins(int group, int reportId, Connection& connection) {
    switch (group) {
        case 1: return productJoins(reportId, connection);
        case 2: return documentJoins(reportId, connection);
        case 3: return clientJoins(reportId, connection);
        case 4: return sellerJoins(reportId, connection);
        case 5: return operationJoins(reportId, connection);
        case 7: return carrierJoins(reportId, connection);
        default: return {};
    }
}

}  // namespace velmora
