#include "reports/workbook_check.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "reports/workbook.h"
#include "support/file_bytes.h"
#include "support/scratch_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

constexpr int kRows = 50;

// Rewrites a workbook with its sheet damaged the ways a disk that fills and frees again damages a file that is
// written without checks; the zip around it stays valid (Python's zipfile writes it).
constexpr const char* kDamage = R"(
import sys, zipfile
source, kind, target = sys.argv[1:4]
with zipfile.ZipFile(source) as old, zipfile.ZipFile(target, 'w', zipfile.ZIP_DEFLATED) as new:
    for item in old.infolist():
        data = old.read(item.filename)
        if item.filename == 'xl/worksheets/sheet1.xml':
            middle = len(data) // 2
            if kind == 'cut':
                data = data[:middle]
            elif kind == 'hole':
                data = data[:middle] + data[middle + 300:]
            elif kind == 'rows':
                data = data[:data.index(b'<row r="20"')] + data[data.index(b'<row r="22"'):]
        new.writestr(item, data)
)";

void damage(const fs::path& source, const std::string& kind, const fs::path& target) {
    const fs::path script = target.parent_path() / "danificar.py";
    test::writeBytes(script, kDamage);
    const std::string command =
        "/usr/bin/python3 '" + script.string() + "' '" + source.string() + "' " + kind + " '" + target.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

class WrittenWorkbookCheck : public ::testing::Test {
protected:
    void SetUp() override {
        Workbook workbook;
        workbook.saveAs(good);
        for (int row = 1; row <= kRows; ++row) {
            workbook.setText(row, 1, "Cliente \"" + std::to_string(row) + "\" <Ltda> & cia");
            workbook.setNumber(row, 2, row * 0.5);
        }
        workbook.save();
        workbook.close();
    }

    ScratchFolder folder;
    fs::path good = folder / "inteira.xlsx";
};

TEST_F(WrittenWorkbookCheck, AWholeWorkbookPasses) {
    EXPECT_EQ(writtenWorkbookFault(good, kRows), std::nullopt);
}

TEST_F(WrittenWorkbookCheck, EveryDamageIsFound) {
    const std::string bytes = test::readBytes(good);
    struct Case {
        const char* what;
        std::string kind;  // damaged by Python, or written here
        std::string content;
        std::uint64_t rows = kRows;
    };
    std::string flipped = bytes;
    flipped[flipped.size() / 3] = static_cast<char>(flipped[flipped.size() / 3] ^ 0x5A);
    const Case cases[] = {
        {"the sheet cut, the zip around it valid", "cut", {}},
        {"a piece missing inside a row", "hole", {}},
        {"two whole rows missing", "rows", {}},
        {"the file cut", {}, bytes.substr(0, bytes.size() * 3 / 5)},
        {"a byte changed", {}, flipped},
        {"not a zip at all", {}, "PK nothing here"},
        {"whole, but not the rows that were written", {}, bytes, kRows + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path damaged = folder / "danificada.xlsx";
        if (!c.kind.empty()) {
            damage(good, c.kind, damaged);
        } else {
            test::writeBytes(damaged, c.content);
        }
        const auto fault = writtenWorkbookFault(damaged, c.rows);
        ASSERT_TRUE(fault.has_value());
        EXPECT_EQ(fault->rfind("a planilha gravada ficou incompleta", 0), 0u) << *fault;
    }
}

}  // namespace
}  // namespace velmora
