#include "reports/erp_masks.h"

#include "common/connection.h"
#include "reports/sales_workbook_writer.h"

namespace velmora {

ErpMasks readErpMasks(Connection& connection) {
    const ResultSet parameters =
        connection.query(" select FM_MASCARA_QUANTIDADE, FM_MASCARA_VALOR from tab_parametro where id_parametro = 1");
    if (parameters.empty()) {
        return {};
    }
    return {swapSeparators(parameters.field(0, "FM_MASCARA_QUANTIDADE").asString()),
            swapSeparators(parameters.field(0, "FM_MASCARA_VALOR").asString())};
}

}  // namespace velmora
