#include "sales_bench_data.h"

#include <string>

#include "common/connection.h"
#include "fixtures/report_definition_builder.h"

namespace velmora::bench {

namespace {

std::string number(int value) { return std::to_string(value); }

void fillLookups(Connection& db, const SalesVolume& volume) {
    // Masks as the ERP stores them: comma groups, full stop before the decimals.
    db.execute("insert into tab_parametro (id_parametro, fm_mascara_quantidade, fm_mascara_valor) values (1, "
               "'###,##0.000', '###,##0.00')");
    db.execute("insert into cad_pessoa (id_pessoa, nm_pessoa, nm_pesquisa, tp_pessoa, st_ativo_inativo, st_empresa) "
               "values (1, 'Comercial Horizonte Ltda', 'HORIZONTE', 'J', 'S', 'S')");
    db.execute("insert into tab_nat_operacao (id_nat_operacao, nm_nat_operacao, cd_cfop, id_classe_operacao, "
               "id_tp_mov_estoque, st_venda) values (1, 'Venda de mercadoria', '5102', 1, 2, 'S')");
    db.execute("insert into tab_nat_operacao (id_nat_operacao, nm_nat_operacao, cd_cfop, id_classe_operacao, "
               "id_tp_mov_estoque, st_bonificacao) values (2, 'Remessa em bonificação', '5910', 2, 2, 'S')");
    // Every third client name and half the seller names carry accents, as Brazilian names do.
    db.execute(
        "execute block as declare i integer = 1; begin while (i <= " + number(volume.clients) + ") do begin "
        "insert into cad_pessoa (id_pessoa, nm_pessoa, nm_pesquisa, tp_pessoa, st_ativo_inativo, st_cliente) "
        "values (1000 + :i, trim(iif(mod(:i, 3) = 0, 'Construtora São João', 'Comercial Horizonte')) || ' ' || :i || ' Ltda', "
        "'CLIENTE ' || :i, 'J', 'S', 'S'); i = i + 1; end end");
    db.execute(
        "execute block as declare i integer = 1; begin while (i <= " + number(volume.sellers) + ") do begin "
        "insert into cad_pessoa (id_pessoa, nm_pessoa, tp_pessoa, st_ativo_inativo, st_vendedor) "
        "values (5000 + :i, trim(iif(mod(:i, 2) = 0, 'Márcia Vendedora', 'João Vendedor')) || ' ' || :i, 'F', 'S', 'S'); "
        "i = i + 1; end end");
    db.execute(
        "execute block as declare i integer = 1; begin while (i <= " + number(volume.products) + ") do begin "
        "insert into cad_produto (id_produto, cd_produto, nm_produto, sg_unidade, st_venda, vl_venda, vl_custo) "
        "values (:i, lpad(:i, 6, '0'), trim(iif(mod(:i, 4) = 0, 'Martelo de unha nº', 'Chave de fenda')) || ' ' || :i || ' mm', "
        "'UN', 'S', (990 + mod(:i * 7919, 49000)) / 100.00, (500 + mod(:i * 7919, 30000)) / 100.00); "
        "i = i + 1; end end");
}

void fillDocuments(Connection& db, const SalesVolume& volume) {
    // Items first, so that the document gets their total.
    db.execute(
        "execute block as "
        "declare d integer = 1; declare k integer; declare p integer; declare q numeric(15,4); "
        "declare v numeric(15,4); declare icms numeric(9,4); declare total numeric(15,4); "
        "begin while (d <= " + number(volume.documents) + ") do begin "
        "  total = 0; k = 1; "
        "  while (k <= " + number(volume.itemsPerDocument) + ") do begin "
        "    p = 1 + mod(:d * 31 + :k * 97, " + number(volume.products) + "); "
        "    q = (1 + mod(:d + :k * 7, 48)) / 2.0; "
        "    v = (990 + mod(:p * 7919, 49000)) / 100.00; "
        "    icms = iif(mod(:d, 3) = 0, 18, iif(mod(:d, 3) = 1, 12, 7)); "
        "    insert into mov_nf_comercio_item (id_nf_comercio, no_item, id_produto, qt_produto, vl_unitario, "
        "      vl_desconto, vl_total, po_aliq_icms, po_aliq_ipi, vl_icms, vl_ipi, po_comissao) "
        "      values (:d, :k, :p, :q, :v, 0, :q * :v, :icms, 0, :q * :v * :icms / 100, 0, 3); "
        "    total = total + :q * :v; k = k + 1; "
        "  end "
        "  insert into mov_nf_comercio (id_nf_comercio, id_empresa, no_nota, sg_serie, dt_emissao, dt_saida, "
        "    id_st_nf, st_devolvido, id_destinatario_remetente, id_vendedor, id_vendedor2, id_nat_operacao, "
        "    id_tp_mov_estoque, no_volumes, vl_total_produtos, vl_total_nf, po_comissao) "
        "    values (:d, 1, 100000 + :d, '1', date '2024-01-01' + mod(:d * 37, 366), "
        "    date '2024-01-01' + mod(:d * 37, 366), iif(mod(:d, 2) = 0, 3, 5), 'N', "
        "    1001 + mod(:d * 13, " + number(volume.clients) + "), 5001 + mod(:d, " + number(volume.sellers) + "), "
        "    iif(mod(:d, 10) = 0, 5001 + mod(:d + 1, " + number(volume.sellers) + "), null), "
        "    1 + mod(:d, 7) / 6, 2, 1 + mod(:d, 5), :total, :total, 3); "
        "  d = d + 1; "
        "end end");
}

}  // namespace

void fillSalesHistory(Connection& db, const SalesVolume& volume) {
    fillLookups(db, volume);
    fillDocuments(db, volume);
}

void defineItemReport(Connection& db) {
    test::ReportDefinitionBuilder(db, kBenchReport, {.name = "Vendas por Item", .companyId = kBenchCompany})
        .column(20)    // NO_NOTA, integer
        .column(22)    // DT_EMISSAO, date
        .column(2)     // NM_CLIENTE, text
        .column(11)    // NM_VENDEDOR, text
        .column(35)    // NO_ITEM, integer
        .column(26)    // CD_PRODUTO, text
        .column(27)    // NM_PRODUTO, text
        .column(36)    // QT_PRODUTO, quantity mask
        .column(38)    // VL_UNITARIO, value mask
        .column(131)   // PO_ALIQ_ICMS, percentage
        .column(39)    // sum(vl_total), currency
        .column(124)   // sum(vl_icms), currency
        .sortKey(20)
        .sortKey(35);
}

}  // namespace velmora::bench
