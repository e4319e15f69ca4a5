#include "monitor/reports_grid.h"

#include <ibase.h>

#include "common/connection.h"
#include "common/ptbr_format.h"
#include "common/sql_text.h"

namespace velmora {

namespace {
std::string shownTimestamp(const Field& field) {
    if (field.isNull()) {
        return {};
    }
    const unsigned type = field.info().sqlType;
    if (type == SQL_TIMESTAMP || type == SQL_TYPE_DATE) {
        return formatDateTime(field.asDateTime(), "dd/mm/yyyy hh:mm");
    }
    return field.asString();
}
}  // namespace

std::string gridStatement() {
    return " select ID_RELATORIO, NM_RELATORIO, (case TP_PUBLICACAO when 1 then " + quotedSql("Salvar na Pasta") +
           " else " + quotedSql("Enviar por FTP") + " end) as DS_PUBLICACAO," +
           " DH_ULTIMA_PUBLIC, DH_PROXIMA_PUBLIC, TP_PUBLICACAO" + " from tab_relatorio" +
           " where st_ativo = " + quotedSql("S") + " order by NM_RELATORIO";
}

std::vector<ReportRow> readGridRows(Connection& connection) {
    const ResultSet result = connection.query(gridStatement());
    std::vector<ReportRow> rows;
    rows.reserve(result.rowCount());
    for (std::size_t row = 0; row < result.rowCount(); ++row) {
        rows.push_back(ReportRow{static_cast<int>(result.field(row, "ID_RELATORIO").asInteger()),
                                 result.field(row, "NM_RELATORIO").asString(),
                                 result.field(row, "DS_PUBLICACAO").asString(),
                                 shownTimestamp(result.field(row, "DH_ULTIMA_PUBLIC")),
                                 shownTimestamp(result.field(row, "DH_PROXIMA_PUBLIC")),
                                 static_cast<int>(result.field(row, "TP_PUBLICACAO").asInteger()),
                                 {}});
    }
    return rows;
}

}  // namespace velmora
