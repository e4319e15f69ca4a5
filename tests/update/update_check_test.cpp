#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/connection.h"
#include "support/erp_installation.h"
#include "support/update_folder.h"
#include "update/process_launcher.h"
#include "update/update_check.h"
#include "update/update_host.h"
#include "support/file_bytes.h"
#include "support/recording_update_host.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ErpInstallation;
using test::HandedOver;

// The real launcher, counted, so that a start that did not happen needs no waiting to be seen.
class CountingLauncher final : public ProcessLauncher {
public:
    void startDetached(const fs::path& program, const std::vector<std::string>& arguments) override {
        ++starts;
        real.startDetached(program, arguments);
    }
    DetachedProcessLauncher real;
    int starts = 0;
};


std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

// The stand-in updater runs by itself; the bound only keeps a broken start from hanging the suite.
bool waitForFile(const fs::path& file) {
    for (int i = 0; i < 600 && !fs::exists(file); ++i) {
        std::this_thread::sleep_for(50ms);
    }
    return fs::exists(file);
}

// An installation whose update folder holds the current program and the stand-in updater.
class UpdateCheckTest : public ::testing::Test {
protected:
    UpdateCheckTest() {
        test::provideUpdateFolder(erp);
        fs::create_directories(desktop);
        check.prepareUpdater(erp.databaseFile().string(), erp.serverIni().string());
    }

    void run(int mode = 1) { check.checkForUpdate(*db, mode); }

    void setCopyTime(fs::file_time_type::duration offset) {
        fs::last_write_time(copy, fs::last_write_time(erp.programPath()) + offset);
    }

    bool upgraded() {
        auto own = erp.connect();
        return !own->query("select 1 from rdb$relation_fields where rdb$relation_name = 'TAB_PARAMETRO' and "
                           "rdb$field_name = 'VERSAO_ERP'")
                    .empty();
    }

    std::string updaterMissingText() const {
        return "Falha na atualização do aplicativo. Não foi encontrado o arquivo velmoraAtualizador.exe na pasta " +
               updateFolder.string() + ".\rO Sistema será finalizado.";
    }

    ErpInstallation erp;
    fs::path updateFolder = test::updateFolderOf(erp);
    fs::path copy = updateFolder / "velmoraMonitorPublicacao";
    fs::path updater = updateFolder / "velmoraAtualizador.exe";
    fs::path desktop = erp.root() / "Desktop";
    test::RecordingUpdateHost host;
    CountingLauncher launcher;
    UpdateCheck check{erp.programPath(), host, launcher, desktop};
    std::unique_ptr<Connection> db = erp.connect();
};

TEST_F(UpdateCheckTest, PreparingDerivesTheNamesAndTheUpdateFolderBesideTheDataFolder) {
    EXPECT_EQ(check.serverIniPath(), erp.serverIni().string());
    EXPECT_EQ(check.programFileName(), "velmoraMonitorPublicacao");
    EXPECT_EQ(check.programFolder(), erp.programFolder().string());
    EXPECT_EQ(check.updateFolder(), updateFolder.string());
    EXPECT_EQ(check.updaterCommandLine(), "@F1 @M" + updateFolder.string() + " @E" + erp.programFolder().string() +
                                              " @AvelmoraMonitorPublicacao");

    UpdateCheck spaced(erp.root() / "Meus Programas" / "Monitor" / "velmoraMonitorPublicacao", host, launcher);
    spaced.prepareUpdater("", (erp.root() / "Servidor Central" / "Dados" / "velmora.ini").string());
    EXPECT_EQ(spaced.updaterCommandLine(), "@F1 @M" + erp.root().string() + "/Servidor§Central/Update @E" +
                                               erp.root().string() + "/Meus§Programas/Monitor @AvelmoraMonitorPublicacao");
}

TEST_F(UpdateCheckTest, EqualTimesRunOnAfterTheUpgrade) {
    // Within the same second the copies count as equal, as their times written out as text are.
    const auto whole = std::chrono::floor<std::chrono::seconds>(fs::last_write_time(erp.programPath()));
    fs::last_write_time(erp.programPath(), whole);
    fs::last_write_time(copy, whole + 700ms);

    run();

    EXPECT_TRUE(host.boxes.empty());
    EXPECT_TRUE(host.notices.empty());
    EXPECT_EQ(host.quitRequests, 0);
    EXPECT_EQ(launcher.starts, 0);
    EXPECT_TRUE(upgraded());
    EXPECT_EQ(check.erpVersion().erpVersion, "Versao Inicial");
}

TEST_F(UpdateCheckTest, ADifferingCopyHandsOverToTheUpdater) {
    for (const auto offset : {fs::file_time_type::duration(1h), fs::file_time_type::duration(-24h),
                              fs::file_time_type::duration(1s)}) {
        fs::remove(test::updaterArgumentsFile(updateFolder));
        setCopyTime(offset);
        host.notices.clear();
        // A file this program holds open must not stay open in the updater.
        const fs::path held = erp.root() / "held-open.txt";
        std::ofstream(held) << "x";
        const int fd = ::open(held.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);

        EXPECT_THROW(run(), HandedOver);
        ::close(fd);

        EXPECT_EQ(host.notices, std::vector<std::string>{"AVISO: Existe uma nova versão do aplicativo "
                                                         "velmoraMonitorPublicacao. A atualização será feita "
                                                         "automaticamente. Aguarde..."});
        EXPECT_TRUE(host.boxes.empty());
        EXPECT_EQ(host.quitRequests, 0);
        ASSERT_TRUE(waitForFile(test::updaterArgumentsFile(updateFolder)));
        EXPECT_EQ(lines(test::readBytes(test::updaterArgumentsFile(updateFolder))),
                  (std::vector<std::string>{"@F1", "@M" + updateFolder.string(), "@E" + erp.programFolder().string(),
                                            "@AvelmoraMonitorPublicacao"}));
        EXPECT_NE(std::stol(test::readBytes(updateFolder / "updater-session.txt")), static_cast<long>(::getsid(0)));
        EXPECT_EQ(test::readBytes(updateFolder / "updater-files.txt").find(held.string()), std::string::npos);
    }
    EXPECT_EQ(launcher.starts, 3);
    EXPECT_EQ(host.handOvers, 3);
    EXPECT_TRUE(upgraded()) << "the upgrade runs before the comparison";
}

// The updater starts before anything is given up: one that cannot start leaves the program running as it is.
TEST_F(UpdateCheckTest, AnUpdaterThatCannotStartIsToldAndNothingIsHandedOver) {
    const struct {
        const char* what;
        const char* content;
        fs::perms permissions;
        std::string reason;
    } cases[] = {
        {"not executable", "#!/bin/sh\n", fs::perms::owner_read | fs::perms::owner_write, "acesso negado"},
        {"not a program", "MZ\n", fs::perms::owner_all, "o arquivo não é um programa que este sistema possa executar"},
    };
    setCopyTime(1h);
    for (const auto& c : cases) {
        host.boxes.clear();
        host.notices.clear();
        test::writeBytes(updater, c.content);
        fs::permissions(updater, c.permissions, fs::perm_options::replace);

        EXPECT_NO_THROW(run()) << c.what;

        EXPECT_EQ(host.notices.size(), 1u) << "the new version was announced first";
        ASSERT_EQ(host.boxes.size(), 1u) << c.what;
        EXPECT_EQ(host.boxes[0].title, "Aviso do Sistema");
        EXPECT_EQ(host.boxes[0].text, "Não foi possível iniciar o velmora Atualizador (" + updater.string() +
                                          "): " + c.reason + ". O monitor continua com a versão atual.");
        EXPECT_EQ(host.boxes[0].icon, UpdateMessageIcon::Exclamation);
    }
    EXPECT_EQ(launcher.starts, 2);
    EXPECT_EQ(host.handOvers, 0);
    EXPECT_EQ(host.quitRequests, 0);
}

TEST_F(UpdateCheckTest, AMissingUpdaterIsReportedAndEndsTheProgramAfterStartUp) {
    fs::remove(updater);
    run();

    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].title, "Aviso do Sistema");
    EXPECT_EQ(host.boxes[0].text,
              "Não foi encontrado o velmora Atualizador no Servidor. Entre em contato com o suporte técnico da velmora.");
    EXPECT_EQ(host.boxes[0].icon, UpdateMessageIcon::None);
    EXPECT_EQ(host.quitRequests, 1);
    EXPECT_TRUE(upgraded()) << "the upgrade still runs";
    EXPECT_EQ(launcher.starts, 0);
}

TEST_F(UpdateCheckTest, AMissingUpdaterWithADifferingCopyTellsTwiceAndStartsNothing) {
    fs::remove(updater);
    setCopyTime(-1h);
    run();

    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[0].icon, UpdateMessageIcon::None);
    EXPECT_EQ(host.boxes[1].text, updaterMissingText());
    EXPECT_EQ(host.boxes[1].icon, UpdateMessageIcon::Exclamation);
    EXPECT_TRUE(host.notices.empty());
    EXPECT_EQ(host.quitRequests, 2);
    EXPECT_EQ(launcher.starts, 0);
}

TEST_F(UpdateCheckTest, AMissingProgramCopyIsReportedAndEndsTheProgramAfterStartUp) {
    fs::remove(copy);
    run();

    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].title, "Aviso do Sistema");
    EXPECT_EQ(host.boxes[0].text, "Falha na atualização do aplicativo. Não foi encontrado o arquivo "
                                  "velmoraMonitorPublicacao na pasta " +
                                      updateFolder.string() + ".\rO Sistema será finalizado.");
    EXPECT_EQ(host.boxes[0].icon, UpdateMessageIcon::Exclamation);
    EXPECT_EQ(host.quitRequests, 1);
    EXPECT_EQ(launcher.starts, 0);
}

TEST_F(UpdateCheckTest, OtherModesSkipTheComparison) {
    setCopyTime(1h);
    run(0);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_TRUE(host.notices.empty());
    EXPECT_EQ(launcher.starts, 0);
    EXPECT_TRUE(upgraded());
}

TEST_F(UpdateCheckTest, TheDebugMarkerSkipsEverything) {
    fs::remove_all(updateFolder);
    std::ofstream(erp.programFolder() / "DebugarDelphi.tmp") << "";
    std::ofstream(erp.programFolder() / "Exec-velmoraMonitorPublicacao") << "installer copy";
    std::ofstream(erp.programFolder() / "Exec-velmoraMonitorPublicacao.ini") << "[configuracao]\n";

    run();

    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].title, "Aviso do Sistema");
    EXPECT_EQ(host.boxes[0].text, "O aplicativo velmoraMonitorPublicacao não será atualizado. A pasta " +
                                      erp.programFolder().string() + " está com o arquivo DebugarDelphi.tmp");
    EXPECT_EQ(host.boxes[0].icon, UpdateMessageIcon::Exclamation);
    EXPECT_EQ(host.quitRequests, 0);
    EXPECT_FALSE(fs::exists(updateFolder));
    EXPECT_FALSE(upgraded());
    EXPECT_TRUE(fs::exists(erp.programFolder() / "Exec-velmoraMonitorPublicacao"));
    EXPECT_TRUE(fs::is_empty(desktop));
}

TEST_F(UpdateCheckTest, AMissingUpdateFolderIsCreated) {
    fs::remove_all(updateFolder);
    run();
    EXPECT_TRUE(fs::is_directory(updateFolder));
    ASSERT_EQ(host.boxes.size(), 2u);  // no updater, then no program copy
    EXPECT_EQ(host.quitRequests, 2);
}

TEST_F(UpdateCheckTest, WithoutADerivableUpdateFolderTheProgramRunsOn) {
    db->execute("insert into tab_parametro (id_parametro) values (1)");
    for (const char* serverIni : {"velmora.ini", "Dados/velmora.ini"}) {
        UpdateCheck underived(erp.programPath(), host, launcher, desktop);
        underived.prepareUpdater("", serverIni);
        EXPECT_FALSE(underived.updateFolder().has_value()) << serverIni;
        std::ofstream(erp.programFolder() / "Exec-velmoraMonitorPublicacao") << "installer copy";

        underived.checkForUpdate(*db, 1);

        EXPECT_TRUE(host.boxes.empty()) << serverIni;
        EXPECT_TRUE(host.notices.empty());
        EXPECT_EQ(host.quitRequests, 0);
        EXPECT_EQ(launcher.starts, 0);
        EXPECT_FALSE(fs::exists(erp.programFolder() / "Exec-velmoraMonitorPublicacao"));
        EXPECT_EQ(underived.erpVersion().erpVersion, "Versao Inicial");
    }
    EXPECT_TRUE(upgraded());
}

TEST_F(UpdateCheckTest, AFreshInstallationGetsItsShortcutAndLosesItsMarkers) {
    const fs::path marker = erp.programFolder() / "Exec-velmoraMonitorPublicacao";
    const fs::path markerIni = erp.programFolder() / "Exec-velmoraMonitorPublicacao.ini";
    const fs::path master = erp.root() / "Mestre";
    fs::create_directories(master);
    std::ofstream(master / "velmoraEmpresa.exe") << "erp";
    std::ofstream(marker) << "installer copy";
    std::ofstream(markerIni) << "[configuracao]\r\npastamestre=" << master.string() << "\r\n";

    run();

    const fs::path shortcut = desktop / "Novo velmoraMonitorPublicacao.desktop";
    ASSERT_TRUE(fs::exists(shortcut));
    const std::string content = test::readBytes(shortcut);
    EXPECT_NE(content.find("Exec=\"" + erp.programPath().string() + "\"\n"), std::string::npos) << content;
    EXPECT_NE(content.find("Comment=velmoraMonitorPublicacao\n"), std::string::npos) << content;
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_FALSE(fs::exists(markerIni));
    EXPECT_FALSE(fs::exists(updateFolder / "velmoraEmpresa.exe")) << "the monitor copies nothing";
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(UpdateCheckTest, WithoutTheMarkerIniOnlyTheExecCopyGoes) {
    const fs::path marker = erp.programFolder() / "Exec-velmoraMonitorPublicacao";
    std::ofstream(marker) << "installer copy";
    check.handleInstallerMarkers();
    EXPECT_FALSE(fs::exists(marker));
    EXPECT_TRUE(fs::is_empty(desktop));
    EXPECT_NO_THROW(check.handleInstallerMarkers()) << "nothing to delete is no error";
}

TEST_F(UpdateCheckTest, TheErpCopiesTheMastersProgramsThatTheUpdateFolderLacks) {
    const fs::path master = erp.root() / "Mestre";
    fs::create_directories(master);
    std::ofstream(master / "velmoraEmpresa.exe") << "new erp";
    std::ofstream(master / "Relatorios.EXE") << "reports";
    std::ofstream(master / "leia-me.txt") << "text";
    fs::create_directories(master / "pasta.exe");
    std::ofstream(updateFolder / "velmoraEmpresa.exe") << "erp already there";

    for (const char* program : {"velmoraEmpresa.exe", "velmoraEmpresa4.exe", "velmoraempresa.exe"}) {
        fs::remove(updateFolder / "Relatorios.EXE");
        std::ofstream(erp.programFolder() / (std::string("Exec-") + program)) << "installer copy";
        std::ofstream(erp.programFolder() / "Exec-velmoraEmpresa.ini")
            << "[configuracao]\r\npastamestre=" << master.string() << "\r\n";
        std::ofstream(erp.programFolder() / "Exec-velmoraEmpresa4.ini")
            << "[configuracao]\r\npastamestre=" << master.string() << "\r\n";
        std::ofstream(erp.programFolder() / "Exec-velmoraempresa.ini")
            << "[configuracao]\r\npastamestre=" << master.string() << "\r\n";
        UpdateCheck erpCheck(erp.programFolder() / program, host, launcher, desktop);
        erpCheck.prepareUpdater("", erp.serverIni().string());

        erpCheck.handleInstallerMarkers();

        const bool copies = std::string(program) != "velmoraempresa.exe";  // the names compare with case
        EXPECT_EQ(fs::exists(updateFolder / "Relatorios.EXE"), copies) << program;
        EXPECT_EQ(test::readBytes(updateFolder / "velmoraEmpresa.exe"), "erp already there") << program;
        EXPECT_FALSE(fs::exists(updateFolder / "leia-me.txt"));
        EXPECT_FALSE(fs::exists(updateFolder / "pasta.exe"));
        EXPECT_FALSE(fs::exists(erp.programFolder() / (std::string("Exec-") + program)));
        EXPECT_TRUE(fs::exists(desktop / (std::string("Novo ") + fs::path(program).stem().string() + ".desktop")));
    }
}

TEST_F(UpdateCheckTest, AMarkerIniWithoutMasterFolderCopiesNothing) {
    std::ofstream(erp.programFolder() / "Exec-velmoraEmpresa.ini") << "[configuracao]\r\n";
    UpdateCheck erpCheck(erp.programFolder() / "velmoraEmpresa.exe", host, launcher, desktop);
    erpCheck.prepareUpdater("", erp.serverIni().string());
    const auto before = std::distance(fs::directory_iterator(updateFolder), fs::directory_iterator());
    erpCheck.handleInstallerMarkers();
    EXPECT_EQ(std::distance(fs::directory_iterator(updateFolder), fs::directory_iterator()), before);
    EXPECT_FALSE(fs::exists(erp.programFolder() / "Exec-velmoraEmpresa.ini"));
}

}  // namespace
}  // namespace velmora
