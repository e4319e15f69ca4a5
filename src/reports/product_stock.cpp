#include <stdexcept>
#include <string>

#include "common/connection.h"
#include "common/sql_text.h"
#include "reports/price_list.h"

namespace velmora {

namespace {

constexpr int kCurrencyDecimals = 4;

// The first row's value as a currency value; no row or a null gives 0.
ScaledInteger currencyOf(const ResultSet& rows, std::string_view field) {
    if (rows.empty()) {
        return {0, -kCurrencyDecimals};
    }
    return {rows.field(0, field).asScaled().rescaled(kCurrencyDecimals), -kCurrencyDecimals};
}

bool isGiven(DateTime date) { return date != DateTime{} && date != emptyDateTime(); }

}  // namespace

ScaledInteger productStock(int company, int product, int kind, Connection& connection, DateTime date) {
    const std::string companyText = std::to_string(company);
    const std::string productText = std::to_string(product);
    const std::string kindText = std::to_string(kind);
    std::string statement = " select rpe.qt_estoque_atual";
    if (company != 0 && product != 0 && isGiven(date)) {
        statement += " from rpe_individual (" + companyText + ", " + productText + ", " + sqlDate(date) + ", " +
                     kindText + ") rpe";
    } else if (company == 0 && product != 0 && isGiven(date)) {
        statement += " from rpe_sem_empresa (" + productText + ", " + sqlDate(date) + ", " + kindText + ") rpe";
    } else if (company != 0 && product == 0 && isGiven(date)) {
        statement += " from rpe_sem_produto (" + companyText + ", " + sqlDate(date) + ", " + kindText + ") rpe";
    } else if (company == 0 && product != 0) {
        statement += " from CAD_PRODUTO_ESTOQUE rpe where rpe.id_produto = " + productText;
    } else {
        throw std::invalid_argument("Não há consulta de estoque para a empresa " + companyText + ", o produto " +
                                    productText + " e a data informados.");
    }
    return currencyOf(connection.query(statement), "qt_estoque_atual");
}

ScaledInteger pendingInflow(int product, Connection& connection) {
    return currencyOf(connection.query(" select SUM(mci.qt_produto) as qt_produto from mov_nf_comercio_item mci inner "
                                       "join mov_nf_comercio mc on (mc.id_nf_comercio = mci.id_nf_comercio) where "
                                       "mc.id_tp_mov_estoque = 3 and id_produto = " +
                                       std::to_string(product)),
                      "qt_produto");
}

ScaledInteger pendingOutflow(int product, Connection& connection) {
    return currencyOf(connection.query(" select Sum(mci.qt_produto) as Qtde from mov_nf_comercio_item mci inner join "
                                       "mov_nf_comercio mc on (mci.id_nf_comercio = mc.id_nf_comercio) where "
                                       "mc.id_tp_mov_estoque = 4 and mci.id_produto = " +
                                       std::to_string(product)),
                      "Qtde");
}

}  // namespace velmora
