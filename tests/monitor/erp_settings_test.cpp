#include "monitor/erp_settings.h"

#include <gtest/gtest.h>

#include <fstream>

#include "monitor/recording_ui.h"
#include "support/erp_installation.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::ErpInstallation;
using test::ProcessEnded;
using test::RecordingProcess;
using test::RecordingUi;

class ErpSettingsTest : public ::testing::Test {
protected:
    ErpInstallation erp;
    RecordingUi ui;
    RecordingProcess process;
    ErpSettings settings{erp.programPath(), ui, process};
};

TEST_F(ErpSettingsTest, ConnectionTextJoinsServerPathAndName) {
    struct Case {
        const char* server;
        const char* path;
        const char* name;
        std::string expected;
    };
    const Case cases[] = {
        {"", "/srv/erp/", "velmora.fdb", "/srv/erp/velmora.fdb"},
        {"   ", "/srv/erp/", "velmora.fdb", "/srv/erp/velmora.fdb"},
        {"dbhost", "/srv/erp/", "velmora.fdb", "dbhost:/srv/erp/velmora.fdb"},
        {"127.0.0.1/3051", "/srv/erp/", "velmora.fdb", "127.0.0.1/3051:/srv/erp/velmora.fdb"},
        {"", "  /srv/erp/", "velmora.fdb  ", "/srv/erp/velmora.fdb"},
    };
    for (const Case& c : cases) {
        erp.writeServerIni(c.server, c.path, c.name);
        EXPECT_EQ(settings.databasePath(), c.expected) << "server '" << c.server << "'";
    }
    EXPECT_TRUE(ui.messageBoxes.empty());
}

TEST_F(ErpSettingsTest, TheErp4IniWinsWhenTheErp4ProgramIsInstalled) {
    const fs::path otherServerIni = erp.dataFolder() / "velmora4.ini";
    std::ofstream(erp.programFolder() / "velmoraempresa4.ini") << "[IniServidor]\nnomearquivo=" << otherServerIni.string() << "\n";
    std::ofstream(otherServerIni) << "[Database]\npath=/erp4/\nname=quatro.fdb\n";

    EXPECT_EQ(settings.databasePath(), erp.dataFolderText() + "velmora.fdb");
    std::ofstream(erp.programFolder() / "velmoraempresa4.exe") << "x";
    EXPECT_EQ(settings.databasePath(), "/erp4/quatro.fdb");
}

TEST_F(ErpSettingsTest, AMissingServerIniIsToldAndStopsTheStartWhenReadingTheConnection) {
    fs::remove(erp.serverIni());
    EXPECT_THROW(settings.databasePath(), SettingsMissing);
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].title, "Aviso do Sistema");
    EXPECT_EQ(ui.messageBoxes[0].text, "Não foi encontrado o arquivo de inicialização");
    EXPECT_EQ(ui.messageBoxes[0].icon, MessageIcon::Error);
}

TEST_F(ErpSettingsTest, AMissingErpIniIsToldAndStopsTheStartWhenReadingTheConnection) {
    fs::remove(erp.erpIni());
    EXPECT_THROW(settings.serverIniFile(), SettingsMissing);
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].text, "Não foi encontrado o arquivo de inicialização");
}

TEST_F(ErpSettingsTest, ServerDataFolderIsTheFolderOfTheServerIni) {
    EXPECT_EQ(settings.serverDataFolder(), erp.dataFolderText());
    EXPECT_EQ(process.quitRequests, 0);

    // Missing server INI: the user is told, the end is asked for, and the folder text still comes back.
    fs::remove(erp.serverIni());
    EXPECT_EQ(settings.serverDataFolder(), erp.dataFolderText());
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].text, "Não foi encontrado o arquivo de inicialização dentro da pasta velmora Empresa");
    EXPECT_EQ(process.quitRequests, 1);
    EXPECT_EQ(process.endCount, 0);
}

TEST_F(ErpSettingsTest, AServerIniNamedWithoutFolderGivesAnEmptyDataFolder) {
    std::ofstream(erp.programFolder() / "velmora.ini") << "[Database]\n";
    erp.writeErpIni("velmora.ini");
    EXPECT_EQ(settings.serverDataFolder(), "");
}

TEST_F(ErpSettingsTest, WithoutErpIniTheDadosFolderBesideTheProgramFolderIsUsed) {
    fs::remove(erp.erpIni());
    const std::string expected = erp.root().string() + "/Dados/";

    EXPECT_EQ(settings.serverDataFolder(), expected);
    ASSERT_EQ(ui.messageBoxes.size(), 1u);
    EXPECT_EQ(ui.messageBoxes[0].text, "Não foi encontrado a pasta Dados no servidor");
    EXPECT_EQ(process.quitRequests, 1);

    fs::create_directory(erp.root() / "Dados");
    EXPECT_EQ(settings.serverDataFolder(), expected);
    EXPECT_EQ(ui.messageBoxes.size(), 1u);
}

}  // namespace
}  // namespace velmora
