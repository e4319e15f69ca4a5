#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

#include "update/update_paths.h"

namespace velmora {
namespace {

// The cases are written with "/"; the paths the monitor handles use the system's separator.
std::string native(std::string path) {
    std::replace(path.begin(), path.end(), '/', static_cast<char>(std::filesystem::path::preferred_separator));
    return path;
}

TEST(UpdatePaths, TheUpdateFolderIsTheSiblingOfTheServerDataFolder) {
    struct Case {
        const char* serverIni;
        std::optional<std::string> folder;
    };
    const Case cases[] = {
        {"/srv/Erp/Dados/servidor.ini", "/srv/Erp/Update"},
        {"/srv/Servidor Central/Dados/velmora.ini", "/srv/Servidor Central/Update"},
        {"/Dados/velmora.ini", "/Update"},
        {"Servidor/Dados/velmora.ini", "Servidor/Update"},
        // The last character does not count: a trailing separator is not the last one.
        {"/srv/Dados/", "/Update"},
        {"//velmora.ini", "/Update"},
        {"Dados/velmora.ini", std::nullopt},
        {"velmora.ini", std::nullopt},
        {"/velmora.ini/", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(updateFolderFor(native(c.serverIni)), c.folder ? std::optional(native(*c.folder)) : std::nullopt)
            << c.serverIni;
    }
}

TEST(UpdatePaths, TheCommandLineCarriesFoldersWithoutBlanksAndTheFileNameAsItIs) {
    EXPECT_EQ(updaterCommandLine("/srv/Erp/Update", "/opt/Monitor", "velmoraMonitorPublicacao"),
              "@F1 @M/srv/Erp/Update @E/opt/Monitor @AvelmoraMonitorPublicacao");
    EXPECT_EQ(updaterCommandLine("/srv/Servidor Central/Update", "/opt/Meus Programas/Monitor", "Meu Monitor.exe"),
              "@F1 @M/srv/Servidor§Central/Update @E/opt/Meus§Programas/Monitor @AMeu Monitor.exe");
    EXPECT_EQ(commandLineForm("  a b  "), "§§a§b§§");
}

TEST(UpdatePaths, CommandLineWordsAreSplitAtBlanks) {
    using Words = std::vector<std::string>;
    EXPECT_EQ(commandLineWords("@F1 @M/srv/Servidor§Central/Update @E/opt @Avelmora"),
              (Words{"@F1", "@M/srv/Servidor§Central/Update", "@E/opt", "@Avelmora"}));
    EXPECT_EQ(commandLineWords("@F1 @M/u @E/p @AMeu Monitor.exe"), (Words{"@F1", "@M/u", "@E/p", "@AMeu", "Monitor.exe"}));
    EXPECT_EQ(commandLineWords("  a   b "), (Words{"a", "b"}));
    EXPECT_EQ(commandLineWords(""), Words{});
}

TEST(UpdatePaths, MarkerAndShortcutNames) {
    struct Case {
        const char* program;
        const char* marker;
        const char* markerIni;
        const char* shortcut;  // without the launcher's extension
        const char* noticeName;
    };
#ifdef _WIN32
    constexpr const char* kLauncherExtension = ".lnk";
#else
    constexpr const char* kLauncherExtension = ".desktop";
#endif
    const Case cases[] = {
        {"velmoraMonitorPublicacao", "Exec-velmoraMonitorPublicacao", "Exec-velmoraMonitorPublicacao.ini",
         "Novo velmoraMonitorPublicacao", "velmoraMonitorPublicacao"},
        {"velmoraMonitorPublicacao.exe", "Exec-velmoraMonitorPublicacao.exe", "Exec-velmoraMonitorPublicacao.ini",
         "Novo velmoraMonitorPublicacao", "velmoraMonitorPublicacao"},
        {"velmora.exe.exe", "Exec-velmora.exe.exe", "Exec-velmora.ini.ini", "Novo velmora.exe", "velmora"},
        {"Monitor.Teste", "Exec-Monitor.Teste", "Exec-Monitor.Teste.ini", "Novo Monitor.Teste", "Monitor"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(execMarkerFileName(c.program), c.marker) << c.program;
        EXPECT_EQ(execMarkerIniFileName(c.program), c.markerIni) << c.program;
        EXPECT_EQ(desktopShortcutFileName(c.program), std::string(c.shortcut) + kLauncherExtension) << c.program;
        EXPECT_EQ(nameUpToFirstStop(c.program), c.noticeName) << c.program;
    }
}

}  // namespace
}  // namespace velmora
