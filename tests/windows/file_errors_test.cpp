// What the user reads when Windows refuses a file: one held by another program, or a network folder that went away.
#include <gtest/gtest.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <system_error>

#include "common/file_copy.h"
#include "common/file_descriptor.h"
#include "common/file_error.h"
#include "common/platform_files.h"
#include "common/utf8_path.h"
#include "common/windows_error.h"
#include "monitor/publishing_targets.h"
#include "reports/workbook.h"
#include "support/file_bytes.h"
#include "support/scratch_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::writeBytes;

const std::string kInUse = "o arquivo está em uso por outro programa";

// A network folder cannot be lost under Wine: its codes are checked where they are turned into errno values.
TEST(WindowsFileErrors, EachSystemCodeReadsAsWhatHappened) {
    const std::string lost = "a conexão com a pasta da rede foi perdida";
    const std::string silent = "a pasta da rede não respondeu a tempo";
    const std::string notFound = "a pasta da rede não foi encontrada";
    const struct {
        unsigned long code;
        std::string reason;
    } cases[] = {
        {ERROR_SHARING_VIOLATION, kInUse},
        {ERROR_LOCK_VIOLATION, kInUse},
        {ERROR_USER_MAPPED_FILE, kInUse},
        {ERROR_UNEXP_NET_ERR, lost},
        {ERROR_NETNAME_DELETED, lost},
        {ERROR_DEV_NOT_EXIST, lost},
        {ERROR_VC_DISCONNECTED, lost},
        {ERROR_CONNECTION_ABORTED, lost},
        {ERROR_NOT_CONNECTED, lost},
        {ERROR_NO_NETWORK, lost},
        {ERROR_SEM_TIMEOUT, silent},
        {ERROR_NETWORK_BUSY, silent},
        {ERROR_TIMEOUT, silent},
        {ERROR_BAD_NETPATH, notFound},
        {ERROR_BAD_NET_NAME, notFound},
        {ERROR_REM_NOT_LIST, notFound},
        {ERROR_HOST_UNREACHABLE, notFound},
        {ERROR_NETWORK_UNREACHABLE, notFound},
        {ERROR_ACCESS_DENIED, "acesso negado"},
        {ERROR_NETWORK_ACCESS_DENIED, "acesso negado"},
        {ERROR_PATH_NOT_FOUND, "arquivo ou pasta não encontrado"},
        {ERROR_WRITE_PROTECT, "o disco só permite leitura"},
        {ERROR_HANDLE_DISK_FULL, "não há espaço livre no disco"},
        {ERROR_FILENAME_EXCED_RANGE, "nome de arquivo muito longo"},
        {ERROR_GEN_FAILURE, "erro de leitura ou gravação no dispositivo"},
        {ERROR_BAD_EXE_FORMAT, "o arquivo não é um programa que este sistema possa executar"},
        {ERROR_CANCELLED, "a operação foi cancelada"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fileErrorReason(platform::errnoOfWindowsError(c.code, EINVAL)), c.reason) << c.code;
        // std::filesystem may carry the system's own code.
        EXPECT_EQ(fileErrorReason(platform::errnoOf(std::error_code(static_cast<int>(c.code), std::system_category()))),
                  c.reason)
            << c.code;
    }
    EXPECT_EQ(platform::errnoOfWindowsError(ERROR_INVALID_FUNCTION, EINVAL), EINVAL);
    // A code with no errno value still reads as the system says it, with its number.
    EXPECT_EQ(platform::windowsErrorReason(ERROR_BAD_EXE_FORMAT), cases[std::size(cases) - 2].reason);
    const std::string unmapped = platform::windowsErrorReason(ERROR_INVALID_FUNCTION);
    EXPECT_TRUE(unmapped.ends_with("(erro 1 do Windows)")) << unmapped;
    EXPECT_GT(unmapped.size(), std::string("(erro 1 do Windows)").size()) << unmapped;
    EXPECT_EQ(platform::errnoOf(std::error_code(ENOENT, std::generic_category())), ENOENT);
}

// A file another program opened, the way the ERP or a spreadsheet program holds it.
class HeldFile {
public:
    HeldFile(const fs::path& file, DWORD sharing)
        : handle_(CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, sharing, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {
        if (handle_ == INVALID_HANDLE_VALUE) {
            throw std::runtime_error("could not hold " + utf8Text(file));
        }
    }
    ~HeldFile() { CloseHandle(handle_); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

private:
    HANDLE handle_;
};

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "no error was raised";
}

TEST(WindowsFileErrors, AFileHeldByAnotherProgramIsSaidToBeInUseWhateverReachesIt) {
    ScratchFolder folder;
    const fs::path held = folder / "Vendas São João.xlsx";
    const fs::path other = folder / "nova.xlsx";
    writeBytes(held, "planilha aberta");
    writeBytes(other, "planilha nova");
    for (const DWORD sharing : {DWORD{0}, DWORD{FILE_SHARE_READ}}) {
        const HeldFile holder(held, sharing);
        const std::string where = "sharing " + std::to_string(sharing);

        EXPECT_LT(platform::openFile(held, platform::OpenMode::WriteExisting), 0) << where;
        EXPECT_EQ(fileErrorReason(errno), kInUse) << where;
        EXPECT_EQ(fileErrorReason(platform::replaceFile(other, held)), kInUse) << where;
        // libxlsxwriter opens its file with the C runtime's fopen.
        platform::clearFileError();
        if (std::FILE* stream = _wfopen(held.c_str(), L"wb")) {
            std::fclose(stream);
            ADD_FAILURE() << "fopen reached the held file; " << where;
        }
        EXPECT_EQ(fileErrorReason(platform::lastFileError()), kInUse) << where;

        EXPECT_EQ(messageOf([&] { copyFileReplacing(other, held); }),
                  "Não foi possível gravar o arquivo " + utf8Text(held) + ": " + kInUse)
            << where;
        EXPECT_EQ(messageOf([&] { measureFileSize(held); }),
                  "Não foi possível abrir o arquivo " + utf8Text(held) + ": " + kInUse)
            << where;
        EXPECT_EQ(messageOf([&] {
                      Workbook workbook;
                      workbook.saveAs(held);
                  }),
                  "Não foi possível gravar a planilha " + utf8Text(held) + ": " + kInUse)
            << where;
    }
}

}  // namespace
}  // namespace velmora
