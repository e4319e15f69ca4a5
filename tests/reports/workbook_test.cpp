#include "reports/workbook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <vector>

#include "reports/text_width.h"
#include "support/scratch_folder.h"
#include "support/workbook_reader.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::readWorkbook;
using test::WorkbookReadBack;

std::vector<std::string> folderContent(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

void writeOneCellWorkbook(const fs::path& file, const std::string& text) {
    Workbook workbook;
    workbook.saveAs(file);
    workbook.setText(1, 1, text);
    workbook.save();
    workbook.close();
}

class WorkbookTest : public ::testing::Test {
protected:
    ScratchFolder folder;
    fs::path file = folder / "Relatório.xlsx";
};

TEST_F(WorkbookTest, StoresEachKindOfValueWithItsTypeAndFormat) {
    struct Case {
        const char* name;
        std::function<void(Workbook&, int row)> write;
        const char* valueType;
        const char* value;
        const char* numberFormat;
        bool bold;
    };
    const Case cases[] = {
        {"plain text", [](Workbook& w, int r) { w.setText(r, 1, "Vendas"); }, "str", "Vendas", "General", false},
        {"apostrophe keeps text", [](Workbook& w, int r) { w.setText(r, 1, "'00123"); }, "str", "00123", "@", false},
        {"apostrophe alone", [](Workbook& w, int r) { w.setText(r, 1, "'"); }, "NoneType", "", "@", false},
        {"double", [](Workbook& w, int r) { w.setNumber(r, 1, 12.5); }, "float", "12.5", "General", false},
        {"currency gets the currency format",
         [](Workbook& w, int r) { w.setCurrency(r, 1, ScaledInteger{12345678, -4}); }, "float", "1234.5678",
         "\"R$\" #,##0.00", false},
        {"currency rounded to four decimals",
         [](Workbook& w, int r) { w.setCurrency(r, 1, ScaledInteger{123456, -6}); }, "float", "0.1235",
         "\"R$\" #,##0.00", false},
        {"currency keeps a format set before",
         [](Workbook& w, int r) {
             w.setNumberFormat(r, 1, "R$ #.##0,00;\\(R$ #.##0,00\\)");
             w.setCurrency(r, 1, ScaledInteger{-35000, -4});
         },
         "float", "-3.5", "R$ #,##0.00;\\(R$ #,##0.00\\)", false},
        {"integer beyond 32 bits", [](Workbook& w, int r) { w.setInteger(r, 1, 9000000000); }, "int", "9000000000",
         "General", false},
        {"negative integer beyond 32 bits", [](Workbook& w, int r) { w.setInteger(r, 1, -2147483649LL); }, "int",
         "-2147483649", "General", false},
        {"date gets the short date",
         [](Workbook& w, int r) { w.setDateTime(r, 1, makeDateTime(2026, 12, 8)); }, "datetime",
         "2026-12-08 00:00:00", "dd/mm/yyyy", false},
        {"date and time",
         [](Workbook& w, int r) { w.setDateTime(r, 1, makeDateTime(2026, 12, 8, 8, 5, 9)); }, "datetime",
         "2026-12-08 08:05:09", "dd/mm/yyyy hh:mm", false},
        {"date keeps a format set before",
         [](Workbook& w, int r) {
             w.setNumberFormat(r, 1, "mm/yyyy");
             w.setDateTime(r, 1, makeDateTime(2026, 12, 8));
         },
         "datetime", "2026-12-08 00:00:00", "mm/yyyy", false},
        {"format before the value, bold after",
         [](Workbook& w, int r) {
             w.setNumberFormat(r, 1, "###.##0,00");
             w.setNumber(r, 1, 1234.5);
             w.setBold(r, 1, true);
         },
         "float", "1234.5", "###,##0.00", true},
        {"bold text", [](Workbook& w, int r) {
             w.setText(r, 1, "TOTAL:");
             w.setBold(r, 1, true);
         },
         "str", "TOTAL:", "General", true},
        {"a later value replaces an earlier one", [](Workbook& w, int r) {
             w.setText(r, 1, "TOTAL:");
             w.setBold(r, 1, true);
             w.setNumber(r, 1, 7);
         },
         "int", "7", "General", true},
        {"bold empty text", [](Workbook& w, int r) {
             w.setText(r, 1, "");
             w.setBold(r, 1, true);
         },
         "NoneType", "", "General", true},
    };

    Workbook workbook;
    workbook.saveAs(file);
    int row = 1;
    for (const Case& c : cases) {
        c.write(workbook, row++);
    }
    workbook.save();
    workbook.close();

    const WorkbookReadBack back = readWorkbook(file);
    EXPECT_EQ(back.sheetTitle, "Planilha1");
    row = 1;
    for (const Case& c : cases) {
        const std::string cell = "A" + std::to_string(row++);
        ASSERT_TRUE(back.has(cell)) << c.name;
        EXPECT_EQ(back.at(cell).valueType, c.valueType) << c.name;
        EXPECT_EQ(back.at(cell).value, c.value) << c.name;
        EXPECT_EQ(back.at(cell).numberFormat, c.numberFormat) << c.name;
        EXPECT_EQ(back.at(cell).bold, c.bold) << c.name;
    }
}

TEST_F(WorkbookTest, ATextLongerThanACellHoldsIsCutAtACharacter) {
    const std::string kept = std::string(32766, 'a') + "ç";  // 32767 characters, the most a cell holds
    Workbook workbook;
    workbook.saveAs(file);
    workbook.setText(1, 1, kept + "ão");
    workbook.save();
    workbook.close();

    EXPECT_EQ(readWorkbook(file).at("A1").value, kept);
}

TEST_F(WorkbookTest, StoresSumsWithTheirComputedValue) {
    Workbook workbook;
    workbook.saveAs(file);
    workbook.setText(1, 2, "Valor");
    double expected = 0.0;
    for (int row = 2; row <= 11; ++row) {
        workbook.setNumber(row, 2, row * 0.1);
        expected += row * 0.1;
        workbook.setText(row, 3, "'" + std::to_string(row));
    }
    workbook.setNumber(12, 1, 1000);  // same row as the sums, written before them: counted by R[0]
    workbook.setFormulaR1C1(12, 2, "=SUM(R[-10]C:R[-1]C)");
    workbook.setBold(12, 2, true);
    workbook.setFormulaR1C1(12, 3, "=SUM(R[-10]C:R[-1]C)");
    workbook.setFormulaR1C1(12, 4, "=SUM(R2C2:R3C2,RC[-3])");
    workbook.save();
    workbook.close();

    const WorkbookReadBack back = readWorkbook(file);
    EXPECT_EQ(back.at("B12").value, "=SUM(B2:B11)");
    EXPECT_EQ(back.at("B12").dataType, "f");
    EXPECT_TRUE(back.at("B12").bold);
    EXPECT_DOUBLE_EQ(std::stod(back.at("B12").cached), expected);
    EXPECT_EQ(back.at("C12").value, "=SUM(C2:C11)");
    EXPECT_EQ(back.at("C12").cached, "0");
    EXPECT_EQ(back.at("D12").value, "=SUM($B$2:$B$3,A12)");
    EXPECT_DOUBLE_EQ(std::stod(back.at("D12").cached), 0.2 + 0.30000000000000004 + 1000);
}

// A sheet of any size keeps only running totals per column; its sums store the same values as when every number
// is kept, and a sum over part of a column is refused instead of stored wrong.
TEST_F(WorkbookTest, ColumnTotalsOnlyStoreTheSameSumsAndRefusePartialOnes) {
    std::vector<std::string> cached;
    for (const bool totalsOnly : {false, true}) {
        Workbook workbook;
        workbook.saveAs(file);
        if (totalsOnly) {
            workbook.keepColumnTotalsOnly();
        }
        workbook.setText(1, 1, "Valor");
        for (int row = 2; row <= 1001; ++row) {
            workbook.setNumber(row, 1, row * 0.1 + 1e-7 * row * row);
            if (row % 3 != 0) {
                workbook.setNumber(row, 2, -row * 0.7);
            }
        }
        workbook.setNumber(1002, 3, 5.5);  // same row as the sums, written before them
        workbook.setFormulaR1C1(1002, 1, "=SUM(R[-1000]C:R[-1]C)");
        workbook.setFormulaR1C1(1002, 2, "=SUM(R[-1000]C:R[-1]C)");
        workbook.setFormulaR1C1(1002, 4, "=SUM(R1C2:R1001C2,RC[-1])");
        if (totalsOnly) {
            EXPECT_THROW(workbook.setFormulaR1C1(1002, 5, "=SUM(R3C1:R1001C1)"), std::logic_error);
        }
        workbook.save();
        workbook.close();
        const WorkbookReadBack back = readWorkbook(file);
        cached.push_back(back.at("A1002").cached + " " + back.at("B1002").cached + " " + back.at("D1002").cached);
    }
    EXPECT_EQ(cached[0], cached[1]);
}

TEST_F(WorkbookTest, AutoFitWidensColumnsToWhatTheyShow) {
    Workbook workbook;
    workbook.saveAs(file);
    workbook.setText(1, 1, "Código");
    workbook.setBold(1, 1, true);
    workbook.setText(1, 2, "Descrição");
    workbook.setBold(1, 2, true);
    workbook.setText(1, 3, "Valor");
    workbook.setBold(1, 3, true);
    for (int row = 2; row <= 50; ++row) {
        workbook.setText(row, 1, "'" + std::to_string(row));
        workbook.setText(row, 2, "Produto " + std::to_string(row));
        workbook.setCurrency(row, 3, ScaledInteger{row * 10000LL, -4});
    }
    workbook.setText(51, 2, "Uma descrição bem mais longa que as outras");  // still pending at AutoFit
    workbook.setCurrency(51, 3, ScaledInteger{12345678900LL, -4});       // shown as "R$ 1.234.567,89"
    workbook.autoFitColumns();
    workbook.setText(52, 2, "Escrita depois do ajuste, que não muda a largura da coluna");
    workbook.save();
    workbook.close();

    const WorkbookReadBack back = readWorkbook(file);
    ASSERT_EQ(back.widths.count("A"), 1u);
    ASSERT_EQ(back.widths.count("B"), 1u);
    ASSERT_EQ(back.widths.count("C"), 1u);
    EXPECT_EQ(back.widths.count("D"), 0u) << "an empty column keeps the default width";

    const double header = textWidth("Código", true);
    EXPECT_GE(back.widths.at("A"), header);
    EXPECT_LE(back.widths.at("A"), header + 2.5);
    const double longest = textWidth("Uma descrição bem mais longa que as outras");
    EXPECT_GE(back.widths.at("B"), longest);
    EXPECT_LE(back.widths.at("B"), longest + 2.5);
    const double money = textWidth("R$ 1.234.567,89");
    EXPECT_GE(back.widths.at("C"), money);
    EXPECT_LE(back.widths.at("C"), money + 2.5);
}

TEST_F(WorkbookTest, SaveAsCreatesTheFileAtOnceAndSaveFillsIt) {
    Workbook workbook;
    workbook.saveAs(file);
    ASSERT_TRUE(fs::exists(file));
    EXPECT_TRUE(readWorkbook(file).cells.empty());

    workbook.setText(1, 1, "Conteúdo");
    workbook.save();
    workbook.close();
    EXPECT_EQ(readWorkbook(file).at("A1").value, "Conteúdo");
    EXPECT_EQ(folderContent(folder.path()), std::vector<std::string>{"Relatório.xlsx"});
}

TEST_F(WorkbookTest, AnOldWorkbookStaysUntilTheNewOneIsSaved) {
    writeOneCellWorkbook(file, "antigo");

    Workbook unsaved;
    unsaved.saveAs(file);
    unsaved.setText(1, 1, "novo, nunca salvo");
    EXPECT_EQ(readWorkbook(file).at("A1").value, "antigo");
    unsaved.close();
    EXPECT_EQ(readWorkbook(file).at("A1").value, "antigo");

    {
        Workbook dropped;  // released without close: the same
        dropped.saveAs(file);
        dropped.setText(1, 1, "descartado");
    }
    EXPECT_EQ(readWorkbook(file).at("A1").value, "antigo");

    writeOneCellWorkbook(file, "novo");
    EXPECT_EQ(readWorkbook(file).at("A1").value, "novo");
    EXPECT_EQ(folderContent(folder.path()), std::vector<std::string>{"Relatório.xlsx"});
}

TEST_F(WorkbookTest, TheLongestFileNameStillSaves) {
    const fs::path longest = folder / (std::string(250, 'x') + ".xlsx");
    writeOneCellWorkbook(longest, "nome longo");
    EXPECT_EQ(readWorkbook(longest).at("A1").value, "nome longo");
}

TEST_F(WorkbookTest, SaveAsFailsWithTheWorkbookNamedWhenTheFileCannotBeWritten) {
    const fs::path missingFolder = folder / "não existe" / "Relatório.xlsx";
    const fs::path folderInTheWay = folder / "Pasta.xlsx";
    fs::create_directory(folderInTheWay);
    for (const fs::path& target : {missingFolder, folderInTheWay}) {
        Workbook workbook;
        try {
            workbook.saveAs(target);
            ADD_FAILURE() << "saveAs succeeded for " << target;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()).rfind("Não foi possível gravar a planilha " + target.string() + ": ", 0),
                      0u)
                << error.what();
        }
        EXPECT_THROW(workbook.setText(1, 1, "x"), std::runtime_error);
    }
    EXPECT_FALSE(fs::exists(folder / "não existe"));
    EXPECT_EQ(folderContent(folder.path()), std::vector<std::string>{"Pasta.xlsx"});
}

TEST_F(WorkbookTest, RowsAreWrittenInOrderOnly) {
    Workbook workbook;
    EXPECT_THROW(workbook.setText(1, 1, "antes do saveAs"), std::runtime_error);
    workbook.saveAs(file);
    workbook.setText(2, 1, "linha 2");
    workbook.setText(3, 1, "linha 3");
    EXPECT_THROW(workbook.setBold(2, 1, true), std::logic_error);
    EXPECT_THROW(workbook.setText(1048577, 1, "x"), std::runtime_error);
    EXPECT_THROW(workbook.setText(3, 16385, "x"), std::runtime_error);
    workbook.setText(3, 2, "mesma linha, outra coluna");
    workbook.save();
    EXPECT_THROW(workbook.setText(4, 1, "depois do save"), std::runtime_error);
    workbook.close();

    const WorkbookReadBack back = readWorkbook(file);
    EXPECT_FALSE(back.at("A2").bold);
    EXPECT_EQ(back.at("B3").value, "mesma linha, outra coluna");
}

// A run killed while writing leaves its temporary file; the next run tidies it away, but not one that another
// run may still be writing.
TEST_F(WorkbookTest, ATemporaryWorkbookLeftByAKilledRunIsRemovedByTheNextRun) {
    const fs::path abandoned = folder / ".planilha.1a2b3c.tmp";
    const fs::path recent = folder / ".planilha.4d5e6f.tmp";
    const fs::path other = folder / "Relatório.xlsx.tmp";
    for (const fs::path& file : {abandoned, recent, other}) {
        std::ofstream(file) << "PK";
        fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(2));
    }
    fs::last_write_time(recent, fs::file_time_type::clock::now() - std::chrono::minutes(5));

    writeOneCellWorkbook(file, "novo");

    EXPECT_EQ(folderContent(folder.path()),
              (std::vector<std::string>{".planilha.4d5e6f.tmp", "Relatório.xlsx", "Relatório.xlsx.tmp"}));
}

}  // namespace
}  // namespace velmora
