#include "update/parameter_table_upgrade.h"

#include "common/connection.h"
#include "common/sql_text.h"

namespace velmora {

namespace {
// The first row's value as text; a table without rows leaves it empty.
std::string firstValue(const ResultSet& rows, std::string_view column) {
    return rows.empty() ? std::string() : rows.field(0, column).asString();
}
}  // namespace

ErpVersionInfo upgradeParameterTable(Connection& connection) {
    ErpVersionInfo info;
    const ResultSet catalogue = connection.query(
        " sELECT r.* FROM RDB$RELATION_fields r                where                                                "
        "r.RDB$relation_name =" +
        quotedSql("TAB_PARAMETRO") + " and  r.RDB$field_name = " + quotedSql("VERSAO_ERP"));
    if (!catalogue.empty()) {
        info.erpVersion = firstValue(
            connection.query(" sELECT coalesce(VERSAO_ERP," + quotedSql(kInitialErpVersion) +
                             ") as coalesce from  TAB_PARAMETRO            "),
            "coalesce");
        info.scriptRun = firstValue(connection.query(" select script_rodado from tab_parametro"), "script_rodado");
        return info;
    }
    // Firebird applies a column change at commit, so each step is committed before the next one uses it.
    connection.execute("alter table tab_parametro add script_rodado integer");
    connection.execute("alter table tab_parametro add VERSAO_ERP varchar(30)");
    connection.execute(
        " update tab_parametro a set a.script_rodado = (select max(a.no_log_atualizacao) from mov_log_atualizacao a)");
    info.erpVersion = kInitialErpVersion;
    connection.execute(" update tab_parametro a set a.VERSAO_ERP = " + quotedSql(info.erpVersion));
    return info;
}

}  // namespace velmora
