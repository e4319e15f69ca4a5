#include "reports/workbook_file_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reports/report_errors.h"

namespace velmora {
namespace {

// A report's workbook may be written on Windows or published into a Windows share, so its name must be a file
// name there too: no stream, no device, nothing Windows would change.
TEST(WorkbookFileName, IsTheReportsNameUnlessLinuxOrWindowsCannotUseIt) {
    const std::vector<std::string> usable = {"Vendas do Mês", "Vendas - mensal (2026)", "..Vendas", "CONSOLE",
                                             "COM10", "COM0", "LPT", "Nul-x", "Auxiliar.2026", std::string(250, 'x')};
    for (const std::string& name : usable) {
        EXPECT_EQ(workbookFileName(name), name + ".xlsx");
    }
    const std::string tooLong(251, 'x');  // with ".xlsx", one byte more than a file name holds
    const std::vector<std::string> refused = {
        "", ".", "..", "Vendas/Norte", "..\\Vendas", "Vendas\tNorte", tooLong, "Vendas: mensal", "Vendas?", "Vendas*",
        "\"Vendas\"", "<Vendas>", "Vendas|Norte", "CON", "con", "con.txt", "Com1 ", "COM9", "lpt1", "LPT1.2026",
        "NUL .txt", "Aux", "prn", "COM\u00B9", "Vendas.", "Vendas "};
    for (const std::string& name : refused) {
        EXPECT_THROW(workbookFileName(name), ReportDefinitionError) << name;
    }
}

TEST(WorkbookFileName, TheRefusalNamesTheReport) {
    try {
        workbookFileName("Vendas: mensal");
        FAIL() << "no error was raised";
    } catch (const ReportDefinitionError& error) {
        EXPECT_STREQ(error.what(),
                     "O nome do relatório \"Vendas: mensal\" não pode ser usado como nome do arquivo da planilha.");
    }
}

}  // namespace
}  // namespace velmora
