#include "common/file_copy.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <stdexcept>
#include <string>

#include "support/file_bytes.h"
#include "support/scratch_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::namesIn;
using test::readBytes;
using test::writeBytes;

// Files may grow only so far while it lives, as on a disk that fills up; writes beyond fail with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        ::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_{};
    sighandler_t previousHandler_;
};

TEST(FileCopy, ReplacesTheTargetWithAWholeCopy) {
    ScratchFolder folder;
    const std::string content(200000, 'n');
    writeBytes(folder / "novo.xlsx", content);
    writeBytes(folder / "Vendas.xlsx", "copia antiga");

    copyFileReplacing(folder / "novo.xlsx", folder / "Vendas.xlsx");
    EXPECT_EQ(readBytes(folder / "Vendas.xlsx"), content);
    EXPECT_EQ(namesIn(folder.path()).size(), 2u);
}

TEST(FileCopy, ACopyThatBreaksOffKeepsTheOldFileWholeAndLeavesNothingBehind) {
    ScratchFolder folder;
    fs::create_directories(folder / "destino");
    writeBytes(folder / "novo.xlsx", std::string(300000, 'n'));
    writeBytes(folder / "destino" / "Vendas.xlsx", "copia antiga");

    {
        const FileSizeLimit diskFull(100000);
        try {
            copyFileReplacing(folder / "novo.xlsx", folder / "destino" / "Vendas.xlsx");
            FAIL() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find((folder / "destino" / "Vendas.xlsx").string()), std::string::npos)
                << error.what();
        }
    }
    EXPECT_EQ(readBytes(folder / "destino" / "Vendas.xlsx"), "copia antiga");
    EXPECT_EQ(namesIn(folder / "destino").size(), 1u);
}

TEST(FileCopy, FailuresNameTheFileAndTheReason) {
    ScratchFolder folder;
    writeBytes(folder / "novo.xlsx", "n");
    writeBytes(folder / "arquivo.txt", "a");
    struct Case {
        fs::path source;
        fs::path target;
        const char* expected;
    };
    const Case cases[] = {
        {folder / "falta.xlsx", folder / "Vendas.xlsx", "arquivo ou pasta não encontrado"},
        {folder / "novo.xlsx", folder / "sem pasta" / "Vendas.xlsx", "arquivo ou pasta não encontrado"},
        {folder / "novo.xlsx", folder / "arquivo.txt" / "Vendas.xlsx", "uma parte do caminho não é uma pasta"},
    };
    for (const Case& c : cases) {
        try {
            copyFileReplacing(c.source, c.target);
            ADD_FAILURE() << "no error for " << c.target;
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(c.expected), std::string::npos) << error.what();
        }
    }
    EXPECT_EQ(namesIn(folder.path()).size(), 2u);
}

}  // namespace
}  // namespace velmora
