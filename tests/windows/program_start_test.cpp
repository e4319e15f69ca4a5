// The Windows program itself, started as a user starts it, on an ERP installation with Windows paths and
// accents: both INI files, the lock file, its notices, and its end without the Firebird client (this machine has
// no fbclient.dll, as a workstation whose Firebird client is missing).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "common/text_encoding.h"
#include "common/utf8_path.h"
#include "support/file_bytes.h"
#include "support/journal_lines.h"
#include "support/scratch_folder.h"
#include "windows/running_program.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::readBytes;
using test::writeBytes;

// The program folder with the monitor and the ERP INI, and the server data folder with the server INI; the
// INI files in the ANSI code page, as the ERP writes them.
struct WindowsErp {
    WindowsErp() {
        fs::create_directories(programFolder);
        fs::create_directories(dataFolder);
        fs::copy_file(utf8Path(VELMORA_PROGRAM), program);
        writeBytes(programFolder / "velmoraempresa.ini",
                   utf8ToWindows1252("[IniServidor]\r\nnomearquivo=" + utf8Text(dataFolder / "velmora.ini") + "\r\n"));
        writeBytes(dataFolder / "velmora.ini", utf8ToWindows1252("[Database]\r\nServidor=\r\npath=" +
                                                                 utf8Text(dataFolder) + "\\\r\nname=velmora.fdb\r\n"));
    }

    ScratchFolder scratch;
    fs::path root = scratch / "Gestão Comercial";
    fs::path programFolder = root / "ERP";
    fs::path program = programFolder / "velmoraMonitorPublicacao.exe";
    fs::path dataFolder = root / "Servidor" / "Dados";
    fs::path lock = dataFolder / "velmoraMonitorPublicacao.lock";
};

TEST(ProgramStart, WithoutTheFirebirdClientItTellsWhyAndEndsByItselfAsAFailureWithoutItsLock) {
    WindowsErp erp;
    test::RunningProgram monitor(erp.program);

    const auto notice = monitor.waitForNotice(L"fbclient.dll", 120s);
    ASSERT_TRUE(notice.has_value()) << "no notice about the Firebird client";
    EXPECT_NE(notice->find(L"gds32.dll"), std::wstring::npos);
    // The notice closes by itself: an unattended start must not hang on it.
    EXPECT_EQ(monitor.waitForEnd(120s), DWORD{1});
    // A user who installs the client and starts again at once must not be refused.
    EXPECT_FALSE(fs::exists(erp.lock));
    // The journal beside the lock tells the morning after why it ended.
    const auto ends = test::journalLines(erp.dataFolder / "velmoraMonitorPublicacao.log", "FIM");
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].subject, utf8Text(erp.program));
    EXPECT_EQ(ends[0].result, "FALHA");
    EXPECT_NE(ends[0].detail.find("fbclient.dll"), std::string::npos) << ends[0].detail;
}

// Started from a shortcut whose folder holds a fbclient.dll: that one is whatever was put there, not the ERP's.
TEST(ProgramStart, AFirebirdClientInTheFolderItWasStartedFromIsNotLoaded) {
    WindowsErp erp;
    const fs::path startedFrom = erp.root / "Atalhos";
    fs::create_directories(startedFrom);
    fs::copy_file(utf8Path(VELMORA_STAND_INS) / "client" / "fbclient.dll", startedFrom / "fbclient.dll");
    test::RunningProgram monitor(erp.program, {}, startedFrom);

    const auto notice = monitor.waitForNotice(L"fbclient.dll", 120s);
    ASSERT_TRUE(notice.has_value()) << "no notice about the Firebird client";
    EXPECT_NE(notice->find(L"\"" + erp.programFolder.wstring() + L"\""), std::wstring::npos) << "not searched";
    EXPECT_EQ(monitor.waitForEnd(120s), DWORD{1});
    EXPECT_FALSE(fs::exists(startedFrom / "fbclient.dll.loaded"));
}

TEST(ProgramStart, AFreshLockOfAnotherMonitorIsToldAndLeftAsItIs) {
    WindowsErp erp;
    const std::string otherLock = utf8ToWindows1252("Este arquivo indica que o monitor C:\\outro\\velmoraMonitorPublicacao.exe "
                                                    "está em execução.\r\n");
    writeBytes(erp.lock, otherLock);
    const auto written = fs::last_write_time(erp.lock);
    test::RunningProgram monitor(erp.program);

    const auto notice = monitor.waitForNotice(L"já está sendo executado", 120s);
    ASSERT_TRUE(notice.has_value()) << "no notice about the other monitor";
    EXPECT_EQ(*notice, L"O aplicativo " + erp.program.wstring() +
                           L" já está sendo executado em outra sessão de trabalho.");
    EXPECT_EQ(monitor.waitForEnd(120s), DWORD{0});
    EXPECT_EQ(readBytes(erp.lock), otherLock);
    EXPECT_EQ(fs::last_write_time(erp.lock), written);
}

}  // namespace
}  // namespace velmora
