#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "reports/workbook.h"
#include "reports/workbook_check.h"
#include "support/file_bytes.h"
#include "support/scratch_folder.h"
#include "support/small_disk.h"
#include "support/workbook_reader.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::namesIn;
using test::readBytes;
using test::SmallDisk;

constexpr int kRows = 6000;

// A sheet of some megabytes: texts, numbers and a total, as the reports write them.
void writeRows(const fs::path& file, const std::string& marker) {
    Workbook workbook;
    workbook.saveAs(file);
    for (int row = 1; row <= kRows; ++row) {
        workbook.setText(row, 1, marker + " linha " + std::to_string(row) + " com um texto de cliente bem longo");
        workbook.setNumber(row, 2, row * 1.25);
        workbook.setNumberFormat(row, 2, "###.##0,00");
        workbook.setText(row, 3, "Produto " + std::to_string(row % 97));
    }
    workbook.setFormulaR1C1(kRows + 1, 2, "=SUM(R[-" + std::to_string(kRows) + "]C:R[-1]C)");
    workbook.autoFitColumns();
    workbook.save();
    workbook.close();
}

// The sizes a complete run needs: the sheet's XML (written twice while closing: rows, then the part) and the
// compressed file.
struct Needs {
    std::uint64_t sheet = 0;
    std::uint64_t file = 0;
};

Needs measureNeeds() {
    const ScratchFolder scratch;
    const fs::path file = scratch / "medida.xlsx";
    writeRows(file, "novo");
    Needs needs;
    needs.file = fs::file_size(file);
    // Read by an independent reader: Python's zipfile.
    const std::string command = "/usr/bin/python3 -c \"import sys, zipfile; print(zipfile.ZipFile(sys.argv[1])"
                                ".getinfo('xl/worksheets/sheet1.xml').file_size)\" '" + file.string() + "'";
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> output(::popen(command.c_str(), "r"), ::pclose);
    char line[64] = {};
    if (!output || std::fgets(line, sizeof line, output.get()) == nullptr) {
        throw std::runtime_error("cannot read the sheet's size of " + file.string());
    }
    needs.sheet = std::stoull(line);
    return needs;
}

// Whenever the disk fills, the run fails with the reason, the old workbook stays byte for byte, and nothing of
// the failed run is left: no file, no space held by a file still open.
class WorkbookOnAFullDisk : public ::testing::Test {
protected:
    void SetUp() override {
        needs = measureNeeds();
        disk.emplace(scratch / "Excel", 4 * needs.sheet + 4 * needs.file + (1 << 20));
        if (disk->skipReason()) {
            GTEST_SKIP() << *disk->skipReason();
        }
        file = disk->folder() / "Vendas.xlsx";
        writeRows(file, "antigo");
        old = readBytes(file);
    }

    // Runs a new workbook with `free` bytes left; true when it was saved whole, false when it failed cleanly.
    bool runLeaving(std::uint64_t free) {
        disk->fillLeaving(free);
        const std::uint64_t before = disk->available();
        bool saved = true;
        try {
            writeRows(file, "novo");
        } catch (const std::runtime_error& error) {
            saved = false;
            EXPECT_EQ(std::string(error.what()),
                      "Não foi possível gravar a planilha " + file.string() + ": não há espaço livre no disco");
            EXPECT_TRUE(readBytes(file) == old) << "the old workbook changed";
            EXPECT_EQ(disk->openDescriptors(), 0);
            EXPECT_EQ(disk->available(), before) << "space held by the failed run";
        }
        EXPECT_EQ(namesIn(disk->folder()), (std::vector<std::string>{".filler", "Vendas.xlsx"}));
        if (saved) {
            EXPECT_EQ(writtenWorkbookFault(file, kRows + 1), std::nullopt);
            disk->removeFiller();
            writeRows(file, "antigo");
            old = readBytes(file);
        }
        return saved;
    }

    ScratchFolder scratch;
    Needs needs;
    std::optional<SmallDisk> disk;
    fs::path file;
    std::string old;
};

TEST_F(WorkbookOnAFullDisk, FailsWithTheReasonWhileTheRowsAreWrittenAndWhenTheSheetIsPutTogether) {
    const std::uint64_t levels[] = {0, needs.sheet / 2, needs.sheet + needs.sheet / 2};
    for (const std::uint64_t free : levels) {
        SCOPED_TRACE(free);
        EXPECT_FALSE(runLeaving(free));
    }
}

// Around the space the sheet needs twice over, some runs fit and some do not: each one either saves a whole
// workbook or fails and leaves the old one; none saves a cut one.
TEST_F(WorkbookOnAFullDisk, EveryRunNearTheLimitIsWholeOrFailsCleanly) {
    int saved = 0;
    int failed = 0;
    constexpr std::uint64_t kStep = 8 * 1024;
    for (std::uint64_t free = 2 * needs.sheet - 6 * kStep; free <= 2 * needs.sheet + 6 * kStep; free += kStep) {
        SCOPED_TRACE(free);
        (runLeaving(free) ? saved : failed) += 1;
    }
    EXPECT_GT(saved, 0);
    EXPECT_GT(failed, 0);
}

// A first run that fails leaves no empty workbook that would look like a report.
TEST(WorkbookFullDisk, AFailedFirstRunLeavesNoFile) {
    const ScratchFolder scratch;
    SmallDisk disk(scratch / "Excel", 256 * 1024);
    if (disk.skipReason()) {
        GTEST_SKIP() << *disk.skipReason();
    }
    disk.fillLeaving(64 * 1024);
    EXPECT_THROW(writeRows(disk.folder() / "Vendas.xlsx", "novo"), std::runtime_error);
    EXPECT_EQ(namesIn(disk.folder()), std::vector<std::string>{".filler"});
}

}  // namespace
}  // namespace velmora
