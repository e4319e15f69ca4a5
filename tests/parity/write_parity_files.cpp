// Writes a sales workbook and a due-date reminder from fixed rows, through the code the monitor runs on them,
// so that the files of both platforms can be compared with the same expected ones (check_parity_files).
// Usage: write_parity_files <program folder> <e-mail folder, as the ERP stores it: with its final separator>
#include <ibase.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "common/date_time.h"
#include "common/text_encoding.h"
#include "common/utf8_path.h"
#include "reminders/reminder_message.h"
#include "reports/report_workbook_run.h"
#include "reports/sales_sheet.h"
#include "reports/sales_workbook_writer.h"
#include "reports/workbook.h"
#include "support/file_bytes.h"
#include "support/result_rows.h"

namespace {

using namespace velmora;
using namespace std::chrono;
using test::binaryCell;
using test::dateCell;

ColumnInfo column(std::string name, unsigned sqlType, int scale = 0) {
    return ColumnInfo{name, name, "MOV_VENDA", sqlType, 0, scale, 0};
}

ResultSet salesRows() {
    ResultSet rows({column("NM_PESQUISA", SQL_VARYING), column("DT_EMISSAO", SQL_TYPE_DATE),
                    column("NO_ITENS", SQL_LONG), column("QT_PRODUTO", SQL_INT64, -4),
                    column("VL_UNITARIO", SQL_INT64, -4), column("VL_TOTAL", SQL_INT64, -4),
                    column("PO_COMISSAO", SQL_INT64, -2), column("PESO_BRUTO", SQL_DOUBLE)});
    const auto row = [&rows](const std::string& name, year_month_day day, std::int32_t items, std::int64_t quantity,
                             std::int64_t price, std::int64_t total, std::int64_t commission, double weight) {
        rows.appendCell(name);
        rows.appendCell(dateCell(day));
        rows.appendCell(binaryCell(items));
        rows.appendCell(binaryCell(quantity));
        rows.appendCell(binaryCell(price));
        rows.appendCell(binaryCell(total));
        rows.appendCell(binaryCell(commission));
        rows.appendCell(binaryCell(weight));
    };
    row("Concessionária São João", 2026y / March / 10, 3, 125000, 12345678, 154320975, 250, 1.125);
    row("Ótica Ação & Cia \"Centro\"", 2026y / February / 28, 1, 10000, 9990000, 9990000, 1075, 0.4);
    rows.appendCell("Mercado <Três> Irmãos");  // a day and a weight the database left empty
    rows.appendNull();
    rows.appendCell(binaryCell(std::int32_t{12}));
    rows.appendCell(binaryCell(std::int64_t{-20000}));
    rows.appendCell(binaryCell(std::int64_t{5}));
    rows.appendCell(binaryCell(std::int64_t{-10}));
    rows.appendCell(binaryCell(std::int64_t{0}));
    rows.appendNull();
    return rows;
}

ResultSet reminderRows() {
    ResultSet rows({column("ID_FINANCEIRO", SQL_LONG), column("NM_PESQUISA_CLI", SQL_VARYING),
                    column("NM_CONTATO", SQL_VARYING), column("NM_E_MAIL_CLI", SQL_VARYING),
                    column("NM_E_MAIL_EMP", SQL_VARYING), column("DT_VENCTO", SQL_TYPE_DATE),
                    column("NO_DOCUMENTO", SQL_VARYING), column("VL_BAIXA", SQL_INT64, -2),
                    column("DS_ASSUNTO_EMAIL_AVISO_VENCTO", SQL_VARYING), column("NM_PESQUISA_EMP", SQL_VARYING)});
    for (const std::string& cell : {binaryCell(std::int32_t{123}), std::string("Padaria Conceição Ltda"),
                                    std::string("José Conceição"), std::string("financeiro@padaria.com.br"),
                                    std::string("cobranca@velmora.com.br"), dateCell(2026y / March / 20),
                                    std::string("NF 4490/1"), binaryCell(std::int64_t{123450}),
                                    std::string("Aviso de vencimento: <documento_financeiro>"),
                                    std::string("Distribuidora Ação")}) {
        rows.appendCell(cell);
    }
    return rows;
}

void writeSalesWorkbook(const std::string& programFolder) {
    const auto folder = utf8Path(programFolder);
    const WorkbookRunMessages messages{"em uso", ReportMessageIcon::Error, "não criada", ReportMessageIcon::Error};
    const ErpMasks masks{swapSeparators("###,##0.000"), swapSeparators("###,##0.00")};
    const std::vector<std::string> legends{"Cliente", "Emissão", "Itens", "Quantidade", "Unitário", "Total",
                                           "Comissão", "Peso Bruto"};
    writeReportWorkbook(workbookFolder(folder), workbookPath(folder, "Vendas Paridade"), messages, nullptr,
                        [&](Workbook& workbook) { writeSalesSheet(workbook, legends, salesRows(), masks, true, nullptr); });
}

void writeReminder(const std::string& emailFolder) {
    const auto templateFolder = utf8Path(emailFolder + "Textos");
    std::filesystem::create_directories(templateFolder);
    // The ERP writes its templates in the ANSI code page, with both kinds of line break.
    test::writeBytes(templateFolder / "Email Aviso.txt",
                     utf8ToWindows1252("Prezado(a) <nome_contato_financeiro>,\r\n\r\nO título <documento_financeiro> de "
                                       "<razao_social_cliente> vence em <data_vencimento>.\nValor: R$ "
                                       "<valor_documento>\r\nAtenção: não é preciso responder.\r\n<nossa_empresa>"));
    writeReminderFiles(reminderRows(), 123, makeDateTime(2026, 3, 10, 8, 1, 5), [&emailFolder](Date today) {
        makeOutboxFolders(emailFolder, today);
        return emailFolder;
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: write_parity_files <program folder> <e-mail folder>\n");
        return 2;
    }
    try {
        writeSalesWorkbook(argv[1]);
        writeReminder(argv[2]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
