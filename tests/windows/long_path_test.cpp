// Folders whose full path is longer than MAX_PATH (260 characters), as deep folders of a network share are: the
// workbook and the journal are written there and replaced as anywhere else. Wine enforces no such limit, so the
// names given to libxlsxwriter's ANSI functions are checked to fit in it as Windows requires.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/platform_files.h"
#include "common/utf8_path.h"
#include "monitor/run_journal.h"
#include "reports/workbook.h"
#include "support/fake_clock.h"
#include "support/file_bytes.h"
#include "support/scratch_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

// The test reaches the folder through the form that has no length limit; the program is given the plain one.
fs::path unlimited(const fs::path& path) { return fs::path(L"\\\\?\\" + path.wstring()); }

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((unlimited(folder) / L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("folder not listed: error " + std::to_string(::GetLastError()));
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(utf8Text(name));
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

struct LongFolder {
    explicit LongFolder(const std::string& name = "Relatórios de Vendas da Filial Centro") {
        while (path.wstring().size() <= 300) {
            path /= utf8Path(name + ", Exercício " + std::to_string(depth++));
            if (!::CreateDirectoryW(unlimited(path).c_str(), nullptr)) {
                throw std::runtime_error("folder " + std::to_string(depth) + " not created: error " +
                                         std::to_string(::GetLastError()));
            }
        }
    }
    ~LongFolder() {
        std::error_code ignored;
        fs::remove_all(unlimited(scratch.path()), ignored);
    }

    ScratchFolder scratch;
    int depth = 1;
    fs::path path = scratch.path();
};

// libxlsxwriter opens its files through the ANSI functions, which stop at MAX_PATH.
TEST(LongPaths, AWorkbookIsWrittenAndReplacedInAFolderBeyondMaxPath) {
    // Ł and ź have no place in the ANSI code page: only the short form can spell that folder.
    for (const std::string name : {"Relatórios de Vendas da Filial Centro", "Relatórios da Filial Łódź"}) {
        SCOPED_TRACE(name);
        LongFolder folder(name);
        const fs::path file = folder.path / utf8Path("Vendas do Mês.xlsx");
        std::string previous;
        for (const char* text : {"primeira", "segunda versão, mais longa"}) {
            SCOPED_TRACE(text);
            Workbook workbook;
            workbook.saveAs(file);
            workbook.setText(1, 1, text);
            workbook.save();
            workbook.close();
            const std::string written = test::readBytes(unlimited(file));
            EXPECT_EQ(written.substr(0, 2), "PK");
            EXPECT_NE(written, previous);
            previous = written;
        }
        EXPECT_EQ(namesIn(folder.path), std::vector<std::string>{"Vendas do Mês.xlsx"});
        // Wine's ANSI functions have no such limit; Windows' have.
        EXPECT_LT(platform::pathForCLibrary(file).size(), std::size_t{MAX_PATH}) << platform::pathForCLibrary(file);
        EXPECT_LT(platform::temporaryFolderForCLibrary(folder.path).size(), std::size_t{MAX_PATH});
    }
}

TEST(LongPaths, TheJournalIsWrittenAndMovedAsideInAFolderBeyondMaxPath) {
    LongFolder folder;
    test::FakeClock clock;
    {
        RunJournal journal(clock, JournalLimits{110, 2});
        journal.open(folder.path / "velmoraMonitorPublicacao.log");
        for (int number = 1; number <= 5; ++number) {
            journal.record({JournalKind::Publication, "Vendas", true, "linha " + std::to_string(number)});
        }
        journal.flush();
        const auto failure = journal.takeFailure();
        EXPECT_FALSE(failure.has_value()) << *failure;
    }
    EXPECT_EQ(namesIn(folder.path),
              (std::vector<std::string>{"velmoraMonitorPublicacao.log", "velmoraMonitorPublicacao.log.1",
                                        "velmoraMonitorPublicacao.log.2"}));
    EXPECT_EQ(test::readBytes(unlimited(folder.path / "velmoraMonitorPublicacao.log")),
              "2026-12-10 09:30:00\tPUBLICACAO\tVendas\tOK\tlinha 5\r\n");
}

}  // namespace
}  // namespace velmora
