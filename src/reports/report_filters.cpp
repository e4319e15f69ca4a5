#include "reports/report_filters.h"

#include <functional>

#include "common/connection.h"
#include "common/sql_text.h"
#include "common/text.h"
#include "reports/report_definition.h"
#include "reports/report_errors.h"
#include "reports/report_sql_values.h"

namespace velmora {

namespace {

// The report's chosen values of every catalogue filter of one table kind, with the checks that keep them safe.
class FilterValues {
public:
    FilterValues(int reportId, Connection& connection) : reportId_(reportId), connection_(connection) {}

    using Handler = std::function<void(std::int64_t kind, const ResultSet& values, std::size_t row)>;

    void forEach(ReportTableKind table, const Handler& handler) {
        const ResultSet filters = connection_.query(
            " select frf.id_relatorio_filtro, frf.no_item_combo from fix_relatorio_filtro frf where "
            "frf.id_relatorio_tabela = " +
            std::to_string(table));
        for (std::size_t filter = 0; filter < filters.rowCount(); ++filter) {
            // Rows in the order they were entered, so that "the last one counts" means the last one entered. The
            // ERP's table has no key column to sort by; the record's storage position gives that order.
            const ResultSet values = connection_.query(
                " select * from tab_relatorio_parametro where id_relatorio_filtro = " +
                std::to_string(filters.field(filter, "id_relatorio_filtro").asInteger()) +
                " and id_relatorio = " + std::to_string(reportId_) + " order by rdb$db_key");
            const std::int64_t kind = filters.field(filter, "no_item_combo").asInteger();
            for (std::size_t row = 0; row < values.rowCount(); ++row) {
                handler(kind, values, row);
            }
        }
    }

    // id_opcao_filtro as it may go into the statement: a whole number in plain decimal.
    std::string optionId(const ResultSet& values, std::size_t row) {
        const std::string text = values.field(row, "id_opcao_filtro").asString();
        const auto number = wholeNumber(text);
        if (!number) {
            throw ReportDefinitionError(reportLabel() + " tem um valor de filtro que não é um código numérico: \"" +
                                        text + "\".");
        }
        return std::to_string(*number);
    }

    // The flag column that a category or operation-type row names, checked to be a plain column name.
    std::string catalogueColumn(const std::string& sql, const std::string& id, const std::string& what) {
        const ResultSet rows = connection_.query(sql + id);
        if (rows.empty()) {
            throw ReportDefinitionError(reportLabel() + " usa " + what + " " + id + ", que não existe no catálogo.");
        }
        const std::string name = trimmed(rows.field(0, std::size_t{0}).asString());
        if (!isPlainIdentifier(name)) {
            throw ReportDefinitionError(reportLabel() + " usa " + what + " " + id + ", cujo nome de coluna \"" +
                                        name + "\" não é um nome de coluna válido.");
        }
        return name;
    }

    int reportId() const { return reportId_; }
    Connection& connection() { return connection_; }

private:
    std::string reportLabel() {
        const std::string name = reportName(reportId_, connection_);
        const std::string id = std::to_string(reportId_);
        return name.empty() ? "O relatório " + id : "O relatório \"" + name + "\" (" + id + ")";
    }

    int reportId_;
    Connection& connection_;
};

// prefix + values + suffix, when there are values.
template <typename Values>
void appendWhenAny(std::string& text, const Values& values, const std::string& prefix, const std::string& suffix) {
    if (!values.empty()) {
        text += prefix + values.text() + suffix;
    }
}

std::string productFilters(FilterValues& filters) {
    SqlValueList manufacturers, types, groups, activities, costCentres, products;
    SqlConditionChain saleConditions;
    filters.forEach(kProductTable, [&](std::int64_t kind, const ResultSet& values, std::size_t row) {
        switch (kind) {
            case 0: manufacturers.add(filters.optionId(values, row)); break;
            case 1: types.add(filters.optionId(values, row)); break;
            case 2: groups.add(filters.optionId(values, row)); break;
            case 3: activities.add(filters.optionId(values, row)); break;
            case 4: costCentres.add(filters.optionId(values, row)); break;
            case 5: {
                const bool available = values.field(row, "st_disponivel_venda").asString() == "S";
                saleConditions.add(available ? " pro.st_venda = 'S'" : " pro.st_venda = 'N'", " or ");
                break;
            }
            case 6: products.add(filters.optionId(values, row)); break;
            default: break;
        }
    });
    if (!products.empty()) {
        return " and mci.id_produto in(" + products.text() + ")";
    }
    std::string text;
    appendWhenAny(text, manufacturers, " and pro.id_fabrica in(", ")");
    appendWhenAny(text, types, " and pro.id_tp_produto in(", ")");
    appendWhenAny(text, groups, " and pro.id_gr_produto in(", ")");
    appendWhenAny(text, activities, " and pro.id_atividade in(", ")");
    appendWhenAny(text, costCentres, " and pro.id_centro_custo in(", ")");
    // One condition stands alone; several are alternatives and need their own parentheses.
    if (saleConditions.size() == 1) {
        text += " and " + saleConditions.text();
    } else {
        appendWhenAny(text, saleConditions, " and (", ")");
    }
    return text;
}

std::string clientFilters(FilterValues& filters) {
    const ResultSet report = filters.connection().query(
        " select st_exigir_categoria from tab_relatorio where id_relatorio = " + std::to_string(filters.reportId()));
    const bool allCategories = !report.empty() && report.field(0, "st_exigir_categoria").asString() == "S";

    SqlValueList potentials, regions, activities, companyGroups, cities, clients;
    SqlConditionChain categories, active, states;
    std::string registration;
    filters.forEach(kClientTable, [&](std::int64_t kind, const ResultSet& values, std::size_t row) {
        switch (kind) {
            case 0: {
                const std::string column = filters.catalogueColumn(
                    " Select NM_CATEGORIA from fix_relatorio_categoria where id_relatorio_categoria = ",
                    filters.optionId(values, row), "a categoria de cliente");
                categories.add("cp_cli." + column + " = 'S'", allCategories ? " and " : " or ");
                break;
            }
            case 1: potentials.add(filters.optionId(values, row)); break;
            case 2: regions.add(filters.optionId(values, row)); break;
            case 3: activities.add(filters.optionId(values, row)); break;
            case 4: companyGroups.add(filters.optionId(values, row)); break;
            case 5:
                registration = sqlDate(values.field(row, "dt_inicial").asDateTime()) + " and " +
                               sqlDate(values.field(row, "dt_final").asDateTime());
                break;
            case 6: {
                // Only option 1 means active; the option is compared, never written.
                const bool isActive = wholeNumber(values.field(row, "id_opcao_filtro").asString()) == 1;
                const std::string flag = isActive ? "'S'" : "'N'";
                active.add((active.empty() ? " " : "") + std::string("cp_cli.st_ativo_inativo = ") + flag, " or ");
                break;
            }
            case 7:
                states.add("tc_cli.sg_estado = " + quotedSql(values.field(row, "sg_estado").asString()), " or ");
                break;
            case 8: cities.add(filters.optionId(values, row)); break;
            case 9: clients.add(filters.optionId(values, row)); break;
            default: break;
        }
    });
    if (!clients.empty()) {
        return " and mc.id_destinatario_remetente in (" + clients.text() + ")";
    }
    std::string text;
    appendWhenAny(text, categories, " and (", ")");
    appendWhenAny(text, potentials, " and cp_cli.id_potencial in(", ")");
    appendWhenAny(text, regions, " and cp_cli.id_regiao_venda in(", ")");
    appendWhenAny(text, activities, " and cp_cli.id_atividade in(", ")");
    appendWhenAny(text, companyGroups, " and cp_cli.id_grupo_empresa in(", ")");
    if (!registration.empty()) {
        text += " and cp_cli.dt_cadastro between " + registration;
    }
    appendWhenAny(text, active, " and (", ")");
    appendWhenAny(text, states, " and (", ")");
    appendWhenAny(text, cities, " and tc_cli.id_cidade in (", ")");
    return text;
}

std::string sellerFilters(FilterValues& filters) {
    SqlValueList states, cities, representatives, regions, sellers;
    filters.forEach(kSellerTable, [&](std::int64_t kind, const ResultSet& values, std::size_t row) {
        switch (kind) {
            case 0: states.add(quotedSql(values.field(row, "sg_estado").asString())); break;
            case 1: cities.add(filters.optionId(values, row)); break;
            case 2: representatives.add(filters.optionId(values, row)); break;
            case 3: regions.add(filters.optionId(values, row)); break;
            case 4: sellers.add(filters.optionId(values, row)); break;
            default: break;
        }
    });
    if (!sellers.empty()) {
        // A document counts for a seller in any of its five seller slots.
        const std::string& list = sellers.text();
        return " and ( ( mc.id_vendedor in (" + list + ") ) or " + "( mc.id_vendedor2 in (" + list + ") ) or " +
               "( mc.id_vendedor3 in (" + list + ") ) or " + "( mc.id_vendedor4 in (" + list + ") ) or " +
               "( mc.id_vendedor5 in (" + list + ") ) " + " ) ";
    }
    std::string text;
    appendWhenAny(text, regions, " and ( cp_ven.id_regiao_venda in(", ") ) ");
    appendWhenAny(text, representatives, " and ( cp_ven.id_representante in(", ") ) ");
    appendWhenAny(text, states, " and ( tc_ven.sg_estado in( ", ") ) ");
    appendWhenAny(text, cities, " and ( tc_ven.id_cidade in (", ") ) ");
    return text;
}

std::string operationFilters(FilterValues& filters) {
    SqlValueList classes, movementTypes, natures;
    SqlConditionChain operationTypes;
    filters.forEach(kOperationTable, [&](std::int64_t kind, const ResultSet& values, std::size_t row) {
        switch (kind) {
            case 0: classes.add(filters.optionId(values, row)); break;
            case 1: {
                const std::string column = filters.catalogueColumn(
                    " Select NM_TP_OPERACAO from fix_relatorio_tp_operacao where id_relatorio_tp_operacao = ",
                    filters.optionId(values, row), "o tipo de operação");
                operationTypes.add("tno." + column + " = 'S'", " or ");
                break;
            }
            case 2: movementTypes.add(filters.optionId(values, row)); break;
            case 3: natures.add(filters.optionId(values, row)); break;
            default: break;
        }
    });
    if (!natures.empty()) {
        return " and mc.id_nat_operacao in(" + natures.text() + ")";
    }
    std::string text;
    appendWhenAny(text, classes, " and tco.id_classe_operacao in(", ")");
    appendWhenAny(text, operationTypes, " and (", ")");
    appendWhenAny(text, movementTypes, " and tno.id_tp_mov_estoque in(", ")");
    return text;
}

}  // namespace

std::string reportFilters(int group, int reportId, Connection& connection) {
    FilterValues filters(reportId, connection);
    switch (group) {
        case 1: return productFilters(filters);
        case 3: return clientFilters(filters);
        case 4: return sellerFilters(filters);
        case 5: return operationFilters(filters);
        default: return {};
    }
}

}  // namespace velmora
