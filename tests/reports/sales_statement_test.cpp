#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/connection.h"
#include "fixtures/report_definition_builder.h"
#include "reports/sales_report_engine.h"
#include "support/erp_installation.h"

namespace velmora {
namespace {

using test::clientFilter;
using test::ErpInstallation;
using test::operationFilter;
using test::productFilter;
using test::ReportDefinitionBuilder;
using test::ReportOptions;
using test::sellerFilter;

// The statement's fixed pieces, as the database sees them.
const std::string kDocumentFrom =
    " mov_nf_comercio mc  inner join cad_pessoa emp on (emp.id_pessoa = mc.id_empresa)"
    " left join mov_nfe nfe on (mc.id_nf_comercio = nfe.id_nf_comercio)"
    " left join qtde_comissionados(mc.id_nf_comercio) on (1=1)";
const std::string kItemFrom =
    " mov_nf_comercio_item mci  inner join mov_nf_comercio mc on (mc.id_nf_comercio = mci.id_nf_comercio)"
    " inner join cad_pessoa emp on (emp.id_pessoa = mc.id_empresa)"
    " left join mov_nfe nfe on (mc.id_nf_comercio = nfe.id_nf_comercio)"
    " left join qtde_comissionados(mc.id_nf_comercio) on (1=1)";
const std::string kWhere =
    " where 0=0 and mc.dt_emissao between '01.03.2024' and '31.03.2024' and mc.st_devolvido <> 'S'"
    " and ( (mc.id_st_nf = 3) or (mc.id_st_nf = 5) )";

const std::string kPro = " inner join cad_produto pro on (mci.id_produto = pro.id_produto)";
const std::string kCpFab = " left join cad_pessoa cp_fab on (pro.id_fabrica = cp_fab.id_pessoa)";
const std::string kTtp = " left join tab_tipo_produto ttp on (pro.id_tp_produto = ttp.id_tp_produto)";
const std::string kTgp = " left join tab_grupo_produto tgp on (pro.id_gr_produto = tgp.id_gr_produto)";
const std::string kTaPro = " left join tab_atividade ta_pro on (pro.id_atividade = ta_pro.id_atividade)";
const std::string kTcc = " left join tab_centro_custo tcc on (pro.id_centro_custo = tcc.id_centro_custo)";
const std::string kClas = " left join tab_opcao_tabela clas on (clas.id_opcao_tabela = pro.ID_CLASSE_ABC)";

const std::string kPlano = " left join tab_plano_pagto plano on (plano.ID_PLANO_PAGTO = mc.ID_PLANO_PAGTO)";
const std::string kFrm = " left join FIX_TP_PAGTO Frm on (frm.ID_TP_PAGTO = mc.ID_TP_PAGTO)";
const std::string kConta = " left join cad_conta conta on (conta.id_conta = mc.ID_CONTA)";
const std::string kFso =
    " left join fix_situacao_orcamento fso on (fso.id_situacao_orcamento = mc.id_situacao_orcamento)";
const std::string kTcd = " left join tab_canal_divulgacao tcd on (tcd.id_canal_divulgacao = mc.id_canal_divulgacao)";
const std::string kFtmf = " inner join fix_tp_mov_estoque ftmf on (ftmf.id_tp_mov_estoque = mc.id_tp_mov_estoque)";
const std::string kCepCliFat =
    " left join cad_end_pessoa cep_cli_fat on (cep_cli_fat.id_end_pessoa = mc.id_end_faturamento)"
    " left join tab_cidade tc_cli_fat on (cep_cli_fat.id_cidade = tc_cli_fat.id_cidade)";
const std::string kCepCliEnt =
    " left join cad_end_pessoa cep_cli_ent on (cep_cli_ent.id_end_pessoa = mc.id_end_entrega)"
    " left join tab_cidade tc_cli_ent on (cep_cli_ent.id_cidade = tc_cli_ent.id_cidade)";

const std::string kCpCli = " inner join cad_pessoa cp_cli on (cp_cli.id_pessoa = mc.id_destinatario_remetente)";
const std::string kTrvCli =
    " left join tab_regiao_venda trv_cli on (cp_cli.id_regiao_venda = trv_cli.id_regiao_venda)";
const std::string kTa = " left join tab_atividade ta on (cp_cli.id_atividade = ta.id_atividade)";
const std::string kTge = " left join tab_grupo_empresa tge on (cp_cli.id_grupo_empresa = tge.id_grupo_empresa)";
const std::string kCepCli =
    " left join cad_end_pessoa cep_cli on (cep_cli.id_pessoa = mc.id_destinatario_remetente"
    " and cep_cli.st_fatura = 'S') left join tab_cidade tc_cli on (cep_cli.id_cidade = tc_cli.id_cidade)";
const std::string kRegime =
    " left join tab_opcao_tabela regime on (regime.id_opcao_tabela = cp_cli.ID_REGIME_TRIBUTARIO_FEDERAL)";
const std::string kCpCliEntrega =
    " inner join cad_pessoa cp_cli_entrega on (cp_cli_entrega.id_pessoa = mc.id_destinatario_remetente)";
const std::string kCepCliEntrega =
    " left join cad_end_pessoa cep_cli_entrega on (cep_cli_entrega.id_pessoa = mc.id_destinatario_remetente"
    " and cep_cli_entrega.st_entrega = 'S')"
    " left join tab_cidade tc_cli_entrega on (cep_cli_entrega.id_cidade = tc_cli_entrega.id_cidade)";
const std::string kCcpCli = " left join cad_contato_pessoa ccp_cli on (ccp_cli.id_pessoa = mc.id_destinatario_remetente"
                            " and ccp_cli.st_fone_principal = 'S')";
const std::string kCcpCliE =
    " left join cad_contato_pessoa ccp_cli_e on (ccp_cli_e.id_pessoa = mc.id_destinatario_remetente"
    " and ccp_cli_e.st_email_principal = 'S')";
const std::string kCcpCliCc =
    " left join cad_contato_pessoa ccp_cli_cc on (ccp_cli_cc.id_pessoa = mc.id_destinatario_remetente"
    " and ccp_cli_cc.st_contato_comercial = 'S')";

const std::string kCpVen = " left join cad_pessoa cp_ven on (cp_ven.id_pessoa = mc.id_vendedor)";
const std::string kCepVen =
    " left join cad_end_pessoa cep_ven on (cep_ven.id_pessoa = mc.id_vendedor and cep_ven.st_fatura = 'S')"
    " left join tab_cidade tc_ven on (cep_ven.id_cidade = tc_ven.id_cidade)";
const std::string kCpSup = " left join cad_pessoa cp_sup on (cp_sup.id_pessoa = cp_ven.id_representante)";
const std::string kVend2 = " left join cad_pessoa vend2 on (mc.id_vendedor2 = vend2.id_pessoa)";

const std::string kTno = " inner join tab_nat_operacao tno on (tno.id_nat_operacao = mc.id_nat_operacao)";
const std::string kTco = " left join tab_classe_operacao tco on (tco.id_classe_operacao = tno.id_classe_operacao)";
const std::string kFtmn = " inner join FIX_TP_MOV_ESTOQUE ftmn on (ftmn.ID_TP_MOV_ESTOQUE = tno.ID_TP_MOV_ESTOQUE)";

const std::string kTransp = " left join cad_pessoa transp on (transp.id_pessoa = mc.ID_TRANSPORTADORA)";

const std::string kNoNota = " select  mc.no_nota as NO_NOTA From ";

struct StatementCase {
    std::string name;
    std::function<void(ReportDefinitionBuilder&, Connection&)> define;
    std::string expected;
    int companyId = 0;
    ReportOptions options = {};
};

std::vector<StatementCase> statementCases() {
    return {
        {"document level without filters, every company",
         [](auto& r, auto&) { r.column(20); },
         kNoNota + kDocumentFrom + kVend2 + kWhere + " Group by 1"},
        {"company id followed by the first filter without a blank",
         [](auto& r, auto&) { r.column(20).filter(clientFilter(1), "7"); },
         kNoNota + kDocumentFrom + kCpCli + kVend2 + kWhere +
             " and mc.id_empresa = 12and cp_cli.id_potencial in(7) Group by 1",
         12},
        {"company without filters",
         [](auto& r, auto&) { r.column(20); },
         kNoNota + kDocumentFrom + kVend2 + kWhere + " and mc.id_empresa = 3 Group by 1", 3},
        {"columns in column order, not in the order stored",
         [](auto& r, auto&) { r.columnAt(20, 3).columnAt(21, 1).columnAt(22, 2); },
         " select  mc.sg_serie as SG_SERIE, mc.dt_emissao as DT_EMISSAO, mc.no_nota as NO_NOTA From " +
             kDocumentFrom + kVend2 + kWhere + " Group by 1, 2, 3"},

        // Join groups and their steps.
        {"every product join at item level",
         [](auto& r, auto&) { r.column(27).column(30).column(31).column(32).column(33).column(34).column(132); },
         " select  pro.nm_produto as NM_PRODUTO, cp_fab.nm_pessoa as NM_FABRICANTE, ttp.nm_tp_produto as "
         "NM_TP_PRODUTO, tgp.nm_gr_produto as NM_GR_PRODUTO, ta_pro.nm_atividade as NM_APLICACAO_PRODUTO, "
         "tcc.nm_centro_custo as NM_CENTRO_CUSTO, clas.cd_opcao as CD_CLASSE_ABC From " +
             kItemFrom + kPro + kCpFab + kTtp + kTgp + kTaPro + kTcc + kClas + kVend2 + kWhere +
             " Group by 1, 2, 3, 4, 5, 6, 7"},
        {"item field without the product record",
         [](auto& r, auto&) { r.column(36); },
         " select  mci.qt_produto as QT_PRODUTO From " + kItemFrom + kVend2 + kWhere + " Group by 1"},
        {"document lookups in field id order",
         [](auto& r, auto&) { r.column(174).column(171).column(78).column(77).column(106).column(76); },
         " select  ftmf.nm_tp_mov_estoque as NM_MOV_ESTOQUE_NOTA, tcd.nm_canal_divulgacao as NM_CANAL_DIVULGACAO, "
         "conta.nm_conta as NM_CONTA, frm.nm_tp_pagto as NM_TP_PAGTO, fso.nm_situacao_orcamento as "
         "NM_SITUACAO_ORCAMENTO, plano.nm_plano_pagto as NM_PLANO_PAGTO From " +
             kDocumentFrom + kPlano + kFrm + kConta + kFso + kTcd + kFtmf + kVend2 + kWhere +
             " Group by 1, 2, 3, 4, 5, 6"},
        {"the document's billing and delivery addresses",
         [](auto& r, auto&) { r.column(166).column(161); },
         " select  cep_cli_ent.ds_endereco as DS_ENDERECO_ENTREGA_NOTA, cep_cli_fat.ds_endereco as "
         "DS_ENDERECO_FATURAMENTO From " +
             kDocumentFrom + kCepCliFat + kCepCliEnt + kVend2 + kWhere + " Group by 1, 2"},
        {"client region field",
         [](auto& r, auto&) { r.column(5); },
         " select  trv_cli.nm_regiao_venda as NM_REGIAO_VENDA_CLIENTE From " + kDocumentFrom + kCpCli + kTrvCli +
             kVend2 + kWhere + " Group by 1"},
        {"client lookups, address and tax regime in step order",
         [](auto& r, auto&) { r.column(155).column(8).column(7).column(6); },
         " select  regime.ds_opcao as DS_REGIME_TRIBUTARIO, tc_cli.nm_cidade as NM_CIDADE_CLIENTE, "
         "tge.nm_grupo_empresa as NM_GRUPO_EMPRESA, ta.nm_atividade as NM_ATIVIDADE_CLIENTE From " +
             kDocumentFrom + kCpCli + kTa + kTge + kCepCli + kRegime + kVend2 + kWhere + " Group by 1, 2, 3, 4"},
        {"delivery address without another client field",
         [](auto& r, auto&) { r.column(49); },
         " select  cep_cli_entrega.ds_endereco as DS_ENDERECO_ENTREGA From " + kDocumentFrom + kCpCliEntrega +
             kCepCliEntrega + kVend2 + kWhere + " Group by 1"},
        {"delivery address beside a client field",
         [](auto& r, auto&) { r.column(49).column(1); },
         " select  cep_cli_entrega.ds_endereco as DS_ENDERECO_ENTREGA, cp_cli.id_pessoa as ID_CLIENTE From " +
             kDocumentFrom + kCpCli + kCepCliEntrega + kVend2 + kWhere + " Group by 1, 2"},
        {"contacts",
         [](auto& r, auto&) { r.column(87).column(47).column(46); },
         " select  ccp_cli_cc.nm_contato as NM_CONTATO_COMERCIAL, ccp_cli_e.nm_e_mail as DS_EMAIL_CLIENTE, "
         "ccp_cli.no_fone as NO_FONE_CLIENTE From " +
             kDocumentFrom + kCpCli + kCcpCli + kCcpCliE + kCcpCliCc + kVend2 + kWhere + " Group by 1, 2, 3"},
        {"contact after the delivery address adds no cp_cli",
         [](auto& r, auto&) { r.column(48).column(50); },
         " select  ccp_cli.nm_contato as NM_CONTATO_CLIENTE, cep_cli_entrega.nm_bairro as NM_BAIRRO_ENTREGA From " +
             kDocumentFrom + kCpCliEntrega + kCepCliEntrega + kCcpCli + kVend2 + kWhere + " Group by 1, 2"},
        {"seller address without the seller",
         [](auto& r, auto&) { r.column(12); },
         " select  tc_ven.nm_cidade as NM_CIDADE_VENDEDOR From " + kDocumentFrom + kCepVen + kVend2 + kWhere +
             " Group by 1"},
        {"seller and supervisor",
         [](auto& r, auto&) { r.column(15).column(11); },
         " select  cp_sup.nm_pessoa as NM_SUPERVISOR, cp_ven.nm_pessoa as NM_VENDEDOR From " + kDocumentFrom +
             kCpVen + kCpSup + kVend2 + kWhere + " Group by 1, 2"},
        {"supervisor alone brings the seller",
         [](auto& r, auto&) { r.column(14); },
         " select  cp_sup.id_pessoa as ID_SUPERVISOR From " + kDocumentFrom + kCpVen + kCpSup + kVend2 + kWhere +
             " Group by 1"},
        {"operation class and stock movement",
         [](auto& r, auto&) { r.column(117).column(19); },
         " select  ftmn.nm_tp_mov_estoque as NM_MOV_ESTOQUE_NATUREZA, tco.nm_classe_operacao as "
         "NM_CLASSE_OPERACAO From " +
             kDocumentFrom + kVend2 + kTno + kTco + kFtmn + kWhere + " Group by 1, 2"},
        {"carrier",
         [](auto& r, auto&) { r.column(135); },
         " select  transp.nm_pessoa as NM_TRANSPORTADORA From " + kDocumentFrom + kVend2 + kTransp + kWhere +
             " Group by 1"},
        {"every group in order",
         [](auto& r, auto&) { r.column(135).column(16).column(11).column(2).column(76).column(27); },
         " select  transp.nm_pessoa as NM_TRANSPORTADORA, tno.nm_nat_operacao as NM_NAT_OPERACAO, "
         "cp_ven.nm_pessoa as NM_VENDEDOR, cp_cli.nm_pessoa as NM_CLIENTE, plano.nm_plano_pagto as "
         "NM_PLANO_PAGTO, pro.nm_produto as NM_PRODUTO From " +
             kItemFrom + kPro + kPlano + kCpCli + kCpVen + kVend2 + kTno + kTransp + kWhere +
             " Group by 1, 2, 3, 4, 5, 6"},

        // Product filters.
        {"a product list alone puts the report at item level and overrides the other product filters",
         [](auto& r, auto&) { r.column(20).filter(productFilter(0), "300").filter(productFilter(6), "500"); },
         kNoNota + kItemFrom + kPro + kVend2 + kWhere + "and mci.id_produto in(500) Group by 1"},
        {"every other product filter",
         [](auto& r, auto&) {
             r.column(20)
                 .filter(productFilter(0), "300")
                 .filter(productFilter(0), "301")
                 .filter(productFilter(1), "1")
                 .filter(productFilter(2), "1")
                 .filter(productFilter(3), "2")
                 .filter(productFilter(4), "1")
                 .saleFilter(productFilter(5), "S");
         },
         kNoNota + kItemFrom + kPro + kVend2 + kWhere +
             "and pro.id_fabrica in(300,301) and pro.id_tp_produto in(1) and pro.id_gr_produto in(1) and "
             "pro.id_atividade in(2) and pro.id_centro_custo in(1) and  pro.st_venda = 'S' Group by 1"},
        {"several sale conditions are alternatives",
         [](auto& r, auto&) { r.column(20).saleFilter(productFilter(5), "S").saleFilter(productFilter(5), "x"); },
         kNoNota + kItemFrom + kPro + kVend2 + kWhere +
             "and ( pro.st_venda = 'S' or  pro.st_venda = 'N') Group by 1"},
        {"a product filter of a kind beyond 6 neither filters nor changes the level",
         [](auto& r, auto& db) {
             db.execute("insert into fix_relatorio_filtro values (27, 2, 7, 'Linha do produto')");
             r.column(20).filter(27, "3");
         },
         kNoNota + kDocumentFrom + kVend2 + kWhere + " Group by 1"},

        // Client filters.
        {"every client filter but the client list",
         [](auto& r, auto&) {
             r.column(20)
                 .filter(clientFilter(0), "1")
                 .filter(clientFilter(0), "2")
                 .filter(clientFilter(1), "7")
                 .filter(clientFilter(1), "8")
                 .filter(clientFilter(2), "1")
                 .filter(clientFilter(3), "1")
                 .filter(clientFilter(4), "1")
                 .dateFilter(clientFilter(5), makeDateTime(2019, 1, 1), makeDateTime(2019, 12, 31))
                 .dateFilter(clientFilter(5), makeDateTime(2020, 1, 1), makeDateTime(2020, 12, 31))
                 .filter(clientFilter(6), "2")
                 .filter(clientFilter(6), "1")
                 .stateFilter(clientFilter(7), "SP")
                 .stateFilter(clientFilter(7), "RJ")
                 .filter(clientFilter(8), "1")
                 .filter(clientFilter(8), "2");
         },
         kNoNota + kDocumentFrom + kCpCli + kTrvCli + kTa + kTge + kCepCli + kVend2 + kWhere +
             "and (cp_cli.ST_CLIENTE = 'S' or cp_cli.ST_REVENDA = 'S') and cp_cli.id_potencial in(7,8) and "
             "cp_cli.id_regiao_venda in(1) and cp_cli.id_atividade in(1) and cp_cli.id_grupo_empresa in(1) and "
             "cp_cli.dt_cadastro between '01.01.2020' and '31.12.2020' and ( cp_cli.st_ativo_inativo = 'N' or "
             "cp_cli.st_ativo_inativo = 'S') and (tc_cli.sg_estado = 'SP' or tc_cli.sg_estado = 'RJ') and "
             "tc_cli.id_cidade in (1,2) Group by 1"},
        {"categories all required",
         [](auto& r, auto&) { r.column(20).filter(clientFilter(0), "1").filter(clientFilter(0), "2"); },
         kNoNota + kDocumentFrom + kCpCli + kVend2 + kWhere +
             "and (cp_cli.ST_CLIENTE = 'S' and cp_cli.ST_REVENDA = 'S') Group by 1",
         0, ReportOptions{.requireAllCategories = "S"}},
        {"registration date and active flag bring the client record",
         [](auto& r, auto&) {
             r.column(20)
                 .dateFilter(clientFilter(5), makeDateTime(2020, 1, 1), makeDateTime(2020, 12, 31))
                 .filter(clientFilter(6), "1");
         },
         kNoNota + kDocumentFrom + kCpCli + kVend2 + kWhere +
             "and cp_cli.dt_cadastro between '01.01.2020' and '31.12.2020' and ( cp_cli.st_ativo_inativo = 'S') "
             "Group by 1"},
        {"the client list overrides the other client filters",
         [](auto& r, auto&) {
             r.column(20).filter(clientFilter(2), "4").filter(clientFilter(2), "7").filter(clientFilter(9), "120");
         },
         kNoNota + kDocumentFrom + kCpCli + kTrvCli + kVend2 + kWhere +
             "and mc.id_destinatario_remetente in (120) Group by 1"},

        // Seller filters.
        {"every seller filter but the seller list",
         [](auto& r, auto&) {
             r.column(20)
                 .stateFilter(sellerFilter(0), "SP")
                 .stateFilter(sellerFilter(0), "RJ")
                 .filter(sellerFilter(1), "1")
                 .filter(sellerFilter(2), "202")
                 .filter(sellerFilter(3), "1")
                 .filter(sellerFilter(3), "2");
         },
         kNoNota + kDocumentFrom + kCpVen + kCepVen + kCpSup + kVend2 + kWhere +
             "and ( cp_ven.id_regiao_venda in(1,2) )  and ( cp_ven.id_representante in(202) )  and ( "
             "tc_ven.sg_estado in( 'SP','RJ') )  and ( tc_ven.id_cidade in (1) ) Group by 1"},
        {"the seller list looks at the five seller slots and overrides the other seller filters",
         [](auto& r, auto&) { r.column(20).filter(sellerFilter(3), "1").filter(sellerFilter(4), "15"); },
         kNoNota + kDocumentFrom + kCpVen + kVend2 + kWhere +
             "and ( ( mc.id_vendedor in (15) ) or ( mc.id_vendedor2 in (15) ) or ( mc.id_vendedor3 in (15) ) or ( "
             "mc.id_vendedor4 in (15) ) or ( mc.id_vendedor5 in (15) )  ) Group by 1"},

        // Nature-of-operation filters.
        {"every operation filter but the nature list",
         [](auto& r, auto&) {
             r.column(20)
                 .filter(operationFilter(0), "1")
                 .filter(operationFilter(1), "1")
                 .filter(operationFilter(1), "5")
                 .filter(operationFilter(2), "2");
         },
         kNoNota + kDocumentFrom + kFtmf + kVend2 + kTno + kTco + kFtmn + kWhere +
             "and tco.id_classe_operacao in(1) and (tno.ST_VENDA = 'S' or tno.ST_BONIFICACAO = 'S') and "
             "tno.id_tp_mov_estoque in(2) Group by 1"},
        {"the nature list overrides the other operation filters",
         [](auto& r, auto&) { r.column(20).filter(operationFilter(0), "1").filter(operationFilter(3), "1"); },
         kNoNota + kDocumentFrom + kVend2 + kTno + kTco + kWhere + "and mc.id_nat_operacao in(1) Group by 1"},

        {"filters of every group in order, product first",
         [](auto& r, auto&) {
             r.column(20)
                 .filter(operationFilter(1), "1")
                 .filter(sellerFilter(3), "1")
                 .filter(clientFilter(1), "7")
                 .filter(productFilter(0), "300");
         },
         kNoNota + kItemFrom + kPro + kCpCli + kCpVen + kVend2 + kTno + kWhere + " and mc.id_empresa = 1" +
             "and pro.id_fabrica in(300) and cp_cli.id_potencial in(7) and ( cp_ven.id_regiao_venda in(1) )  and "
             "(tno.ST_VENDA = 'S') Group by 1",
         1},

        // Grouping and ordering.
        {"aggregates left out of Group by, sort keys without their aliases",
         [](auto& r, auto&) { r.column(2).column(40).column(20).sortKey(2).sortKey(40, true).sortKey(20); },
         " select  cp_cli.nm_pessoa as NM_CLIENTE, sum(mc.vl_total_nf) as VL_TOTAL_NF, mc.no_nota as NO_NOTA From " +
             kDocumentFrom + kCpCli + kVend2 + kWhere +
             " Group by 1, 3 Order by cp_cli.nm_pessoa, sum(mc.vl_total_nf) desc, mc.no_nota"},
        {"only aggregates: no Group by",
         [](auto& r, auto&) { r.column(40).column(25).sortKey(25, true); },
         " select  sum(mc.vl_total_nf) as VL_TOTAL_NF, count(distinct mc.id_nf_comercio) as QT_NOTAS From " +
             kDocumentFrom + kVend2 + kWhere + " Order by count(distinct mc.id_nf_comercio) desc"},
        {"an upper-case AS inside a sort key stays",
         [](auto& r, auto&) { r.column(27).column(157).sortKey(157, true); },
         " select  pro.nm_produto as NM_PRODUTO, cast(sum(mci.vl_total) AS double precision) * 100 / "
         "nullif(sum(mci.qt_produto * pro.vl_venda), 0) as VL_PO_PRODUTO_TOTAL From " +
             kItemFrom + kPro + kVend2 + kWhere +
             " Group by 1 Order by cast(sum(mci.vl_total) AS double precision) * 100 / nullif(sum(mci.qt_produto * "
             "pro.vl_venda), 0) desc"},
    };
}

class SalesStatementTest : public ::testing::Test {
protected:
    ErpInstallation erp;
    std::unique_ptr<Connection> db = erp.connect();
    SalesReportEngine engine;

    std::optional<std::string> assemble(int reportId, int companyId = 0, DateTime start = makeDateTime(2024, 3, 1),
                                        DateTime end = makeDateTime(2024, 3, 31)) {
        return engine.assembleStatement(reportId, companyId, start, end, *db);
    }
};

TEST_F(SalesStatementTest, AssemblesTheStatementOfEachDefinition) {
    int reportId = 100;
    // One engine for all: nothing of a run may leak into the next.
    for (const StatementCase& c : statementCases()) {
        SCOPED_TRACE(c.name);
        ReportDefinitionBuilder report(*db, ++reportId, c.options);
        c.define(report, *db);
        EXPECT_EQ(assemble(reportId, c.companyId).value_or("<none>"), c.expected);
    }
}

TEST_F(SalesStatementTest, OnlyTheDatesOfTheRangeCount) {
    ReportDefinitionBuilder(*db, 1).column(20);
    EXPECT_EQ(assemble(1, 0, makeDateTime(2024, 3, 15, 8, 30, 5), makeDateTime(2024, 3, 15, 17, 45)),
              kNoNota + kDocumentFrom + kVend2 +
                  " where 0=0 and mc.dt_emissao between '15.03.2024' and '15.03.2024' and mc.st_devolvido <> 'S'"
                  " and ( (mc.id_st_nf = 3) or (mc.id_st_nf = 5) ) Group by 1");
}

TEST_F(SalesStatementTest, AReportWithoutColumnsHasNoStatement) {
    ReportDefinitionBuilder(*db, 1).column(20);
    ASSERT_TRUE(assemble(1));
    ReportDefinitionBuilder(*db, 2).filter(clientFilter(1), "7").sortKey(2);
    EXPECT_EQ(assemble(2), std::nullopt);
    EXPECT_EQ(engine.statement(), "");
    EXPECT_EQ(engine.joins(), "");
}

TEST_F(SalesStatementTest, ReadersOfTheDefinition) {
    ReportDefinitionBuilder report(*db, 1, {.name = "Vendas por Região"});
    report.column(5).column(40).sortKey(5, true);
    EXPECT_EQ(engine.readReportName(1, *db), "Vendas por Região");
    EXPECT_EQ(engine.readReportName(99, *db), "");
    EXPECT_EQ(engine.buildSelectList(1, *db),
              " trv_cli.nm_regiao_venda as NM_REGIAO_VENDA_CLIENTE, sum(mc.vl_total_nf) as VL_TOTAL_NF");
    EXPECT_EQ(engine.buildGrouping(1, *db), " 1");
    EXPECT_EQ(engine.buildOrdering(1, *db), " trv_cli.nm_regiao_venda desc");
    EXPECT_EQ(engine.buildJoins(3, 1, *db), kCpCli + kTrvCli);
    EXPECT_EQ(engine.buildJoins(6, 1, *db), "");
    EXPECT_EQ(engine.buildFilters(2, 1, *db), "");
    EXPECT_EQ(engine.buildFrom(1, *db), kDocumentFrom);
}

TEST_F(SalesStatementTest, ItemLevelOriginSetsTheProductJoinsAndFilters) {
    ReportDefinitionBuilder(*db, 1).column(20).filter(productFilter(1), "4");
    EXPECT_EQ(engine.buildFrom(1, *db), kItemFrom);
    EXPECT_EQ(engine.joins(), kPro);
    EXPECT_EQ(engine.filters(), " and pro.id_tp_produto in(4)");
}

}  // namespace
}  // namespace velmora
