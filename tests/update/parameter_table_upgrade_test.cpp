#include <gtest/gtest.h>

#include <memory>

#include "common/connection.h"
#include "common/database_error.h"
#include "support/erp_installation.h"
#include "update/parameter_table_upgrade.h"

namespace velmora {
namespace {

using test::ErpInstallation;

// The ERP's parameter table as it may be found: two parameter rows and an update log.
class ParameterTableUpgrade : public ::testing::Test {
protected:
    ParameterTableUpgrade() {
        db->execute("insert into tab_parametro (id_parametro, fm_mascara_valor) values (1, '#.##0,00')");
        db->execute("insert into tab_parametro (id_parametro, fm_mascara_valor) values (2, '#.##0,0000')");
        for (const int script : {410, 412, 411}) {
            db->execute("insert into mov_log_atualizacao (no_log_atualizacao) values (" + std::to_string(script) + ")");
        }
    }

    // The monitor's connection of the run: a fresh attachment, as at a start.
    ErpVersionInfo upgrade() {
        auto monitor = erp.connect();
        return upgradeParameterTable(*monitor);
    }

    // Column type as the catalogue has it ("INTEGER", "VARCHAR(30)"), empty when the column is missing.
    std::string columnType(const std::string& column) {
        const ResultSet rows = db->query(
            "select f.rdb$field_type as t, f.rdb$character_length as l from rdb$relation_fields r "
            "join rdb$fields f on f.rdb$field_name = r.rdb$field_source "
            "where r.rdb$relation_name = 'TAB_PARAMETRO' and r.rdb$field_name = '" + column + "'");
        if (rows.empty()) {
            return {};
        }
        switch (rows.field(0, "t").asInteger()) {
            case 8: return "INTEGER";
            case 37: return "VARCHAR(" + rows.field(0, "l").asString() + ")";
            default: return "other " + rows.field(0, "t").asString();
        }
    }

    // Changes with every alteration of the table, and only then.
    std::int64_t tableFormat() {
        return db->query("select rdb$format from rdb$relations where rdb$relation_name = 'TAB_PARAMETRO'")
            .field(0, 0)
            .asInteger();
    }

    std::vector<std::string> rows(const std::string& columns) {
        const ResultSet result = db->query("select " + columns + " from tab_parametro order by id_parametro");
        std::vector<std::string> lines;
        for (std::size_t row = 0; row < result.rowCount(); ++row) {
            std::string line;
            for (std::size_t column = 0; column < result.columnCount(); ++column) {
                const Field field = result.field(row, column);
                line += (column ? "|" : "") + (field.isNull() ? std::string("null") : field.asString());
            }
            lines.push_back(line);
        }
        return lines;
    }

    ErpInstallation erp;
    std::unique_ptr<Connection> db = erp.connect();
};

TEST_F(ParameterTableUpgrade, MissingColumnsAreAddedAndFilledInEveryRow) {
    const ErpVersionInfo kept = upgrade();

    EXPECT_EQ(kept.erpVersion, "Versao Inicial");
    EXPECT_EQ(kept.scriptRun, "");
    db->close();  // a new transaction sees the new columns
    EXPECT_EQ(columnType("SCRIPT_RODADO"), "INTEGER");
    EXPECT_EQ(columnType("VERSAO_ERP"), "VARCHAR(30)");
    EXPECT_EQ(rows("id_parametro, script_rodado, versao_erp"),
              (std::vector<std::string>{"1|412|Versao Inicial", "2|412|Versao Inicial"}));
}

TEST_F(ParameterTableUpgrade, AnEmptyUpdateLogLeavesTheScriptNumberNull) {
    db->execute("delete from mov_log_atualizacao");
    upgrade();
    db->close();
    EXPECT_EQ(rows("script_rodado, versao_erp"), (std::vector<std::string>{"null|Versao Inicial", "null|Versao Inicial"}));
}

TEST_F(ParameterTableUpgrade, PresentColumnsAreOnlyRead) {
    struct Case {
        const char* storedErpVersion;  // SQL value
        const char* script;
        const char* keptErpVersion;
        const char* keptScript;
    };
    const Case cases[] = {
        {"null", "7", "Versao Inicial", "7"},
        {"'5.3.1'", "415", "5.3.1", "415"},
        {"null", "null", "Versao Inicial", ""},
    };
    db->execute("alter table tab_parametro add script_rodado integer");
    db->execute("alter table tab_parametro add versao_erp varchar(30)");
    for (const auto& c : cases) {
        db->execute(std::string("update tab_parametro set script_rodado = ") + c.script + ", versao_erp = " + c.storedErpVersion);
        db->close();
        const auto format = tableFormat();
        const auto before = rows("*");

        const ErpVersionInfo kept = upgrade();

        EXPECT_EQ(kept.erpVersion, c.keptErpVersion) << c.storedErpVersion;
        EXPECT_EQ(kept.scriptRun, c.keptScript) << c.script;
        db->close();
        EXPECT_EQ(tableFormat(), format) << "the table was altered";
        EXPECT_EQ(rows("*"), before);
    }
}

TEST_F(ParameterTableUpgrade, ASecondStartReadsWhatTheFirstAdded) {
    upgrade();
    db->close();
    const auto format = tableFormat();

    const ErpVersionInfo kept = upgrade();

    EXPECT_EQ(kept.erpVersion, "Versao Inicial");
    EXPECT_EQ(kept.scriptRun, "412");
    db->close();
    EXPECT_EQ(tableFormat(), format);
}

TEST_F(ParameterTableUpgrade, AnEmptyParameterTableReadsAsEmpty) {
    db->execute("alter table tab_parametro add script_rodado integer");
    db->execute("alter table tab_parametro add versao_erp varchar(30)");
    db->execute("delete from tab_parametro");
    const ErpVersionInfo kept = upgrade();
    EXPECT_EQ(kept.erpVersion, "");
    EXPECT_EQ(kept.scriptRun, "");
}

TEST_F(ParameterTableUpgrade, HalfPresentColumnsAreErrorsAndAddNothing) {
    struct Case {
        const char* present;
        const char* missing;
    };
    for (const Case c : {Case{"versao_erp varchar(30)", "SCRIPT_RODADO"}, Case{"script_rodado integer", "VERSAO_ERP"}}) {
        ErpInstallation fresh;
        auto own = fresh.connect();
        own->execute(std::string("alter table tab_parametro add ") + c.present);
        own->close();
        const auto format = own->query("select rdb$format from rdb$relations where rdb$relation_name = 'TAB_PARAMETRO'")
                                .field(0, 0)
                                .asInteger();
        own->close();

        auto monitor = fresh.connect();
        EXPECT_THROW(upgradeParameterTable(*monitor), DatabaseError) << c.present;
        monitor.reset();

        const ResultSet after = own->query(
            "select rdb$format from rdb$relations where rdb$relation_name = 'TAB_PARAMETRO'");
        EXPECT_EQ(after.field(0, 0).asInteger(), format) << c.present;
        EXPECT_TRUE(own->query(std::string("select 1 from rdb$relation_fields where rdb$relation_name = "
                                           "'TAB_PARAMETRO' and rdb$field_name = '") +
                               c.missing + "'")
                        .empty())
            << c.present;
    }
}

}  // namespace
}  // namespace velmora
