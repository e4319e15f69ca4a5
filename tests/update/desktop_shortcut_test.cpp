#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/child_process.h"
#include "support/scratch_folder.h"
#include "update/desktop_shortcut.h"
#include "support/file_bytes.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;


TEST(DesktopShortcut, TheDesktopFolderComesFromTheUserDirsFile) {
    struct Case {
        const char* dirs;  // nullptr: no user-dirs file
        std::string expected;
    };
    const fs::path home = "/home/ana";
    const Case cases[] = {
        {nullptr, "/home/ana/Desktop"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/Documentos\"\n", "/home/ana/Desktop"},
        {"# XDG_DESKTOP_DIR=\"$HOME/Velho\"\nXDG_DESKTOP_DIR=\"$HOME/Área de Trabalho\"\n", "/home/ana/Área de Trabalho"},
        {"XDG_DESKTOP_DIR=\"/dados/mesa\"\n", "/dados/mesa"},
        {"XDG_DESKTOP_DIR=\"$HOME/\"\n", "/home/ana"},
        {"XDG_DESKTOP_DIR=\"$HOME/Um\"\nXDG_DESKTOP_DIR=\"$HOME/Dois\"\n", "/home/ana/Dois"},
        {"XDG_DESKTOP_DIR=\"$HOME/Com \\\"aspas\\\"\"\n", "/home/ana/Com \"aspas\""},
        {"XDG_DESKTOP_DIR=\"relativo\"\n", "/home/ana/Desktop"},
    };
    for (const auto& c : cases) {
        ScratchFolder config;
        if (c.dirs) {
            std::ofstream(config.path() / "user-dirs.dirs") << c.dirs;
        }
        EXPECT_EQ(desktopFolderOf(home, config.path()), fs::path(c.expected)) << (c.dirs ? c.dirs : "(none)");
    }
}

TEST(DesktopShortcut, TheExecValueQuotesAndEscapesThePath) {
    const std::pair<const char*, const char*> cases[] = {
        {"/opt/erp/monitor", R"("/opt/erp/monitor")"},
        {"/opt/meus programas/monitor", R"("/opt/meus programas/monitor")"},
        {"/opt/a$b/m", R"("/opt/a\\$b/m")"},
        {"/opt/a\"b`c/m", R"("/opt/a\\"b\\`c/m")"},
        {"/opt/a\\b/m", R"("/opt/a\\\\b/m")"},
        {"/opt/100%/m", R"("/opt/100%%/m")"},
    };
    for (const auto& [path, exec] : cases) {
        EXPECT_EQ(desktopExecValue(path), exec) << path;
    }
}

TEST(DesktopShortcut, TheLauncherStartsItsTargetWhenOpened) {
    if (!fs::exists("/usr/bin/gio")) {
        GTEST_SKIP() << "gio is not installed";
    }
    ScratchFolder folder;
    const fs::path target = folder.path() / "Meus Programas $HOME \"x\" a\\b" / "velmoraMonitorPublicacao";
    const fs::path ran = folder.path() / "ran.txt";
    fs::create_directories(target.parent_path());
    std::ofstream(target) << "#!/bin/sh\nprintf '%s' \"$0\" > '" << ran.string() << ".part' && mv '" << ran.string()
                          << ".part' '" << ran.string() << "'\n";
    fs::permissions(target, fs::perms::owner_all, fs::perm_options::add);
    const fs::path shortcut = folder.path() / "Novo velmoraMonitorPublicacao.desktop";

    ASSERT_TRUE(writeDesktopShortcut(shortcut, "Novo velmoraMonitorPublicacao", "velmoraMonitorPublicacao", target));

    EXPECT_EQ(fs::status(shortcut).permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
    const std::string content = test::readBytes(shortcut);
    EXPECT_NE(content.find("Name=Novo velmoraMonitorPublicacao\n"), std::string::npos) << content;
    EXPECT_NE(content.find("Comment=velmoraMonitorPublicacao\n"), std::string::npos) << content;
    const auto launched = test::runCommand({"/usr/bin/gio", "launch", shortcut.string()});
    ASSERT_EQ(launched.status, 0) << launched.output << content;
    // The bound only keeps a broken launch from hanging the suite.
    for (int i = 0; i < 600 && !fs::exists(ran); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(test::readBytes(ran), target.string());
}

TEST(DesktopShortcut, AnExistingLauncherIsReplacedAndAMissingFolderIsReported) {
    ScratchFolder folder;
    const fs::path shortcut = folder.path() / "Novo x.desktop";
    std::ofstream(shortcut) << "old content that is longer than the new one will be, by quite a lot of text......";
    ASSERT_TRUE(writeDesktopShortcut(shortcut, "Novo x", "x", "/opt/x"));
    EXPECT_EQ(test::readBytes(shortcut),
              "[Desktop Entry]\nType=Application\nName=Novo x\nComment=x\nExec=\"/opt/x\"\nTerminal=false\n");
    EXPECT_FALSE(writeDesktopShortcut(folder.path() / "missing" / "Novo x.desktop", "Novo x", "x", "/opt/x"));
}

}  // namespace
}  // namespace velmora
