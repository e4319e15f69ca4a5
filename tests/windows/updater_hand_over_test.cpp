// The hand-over to the updater on Windows: the updater, started with CreateProcessW from a folder with blanks and
// accents, reads the very words the monitor meant to give it; one that cannot start gives nothing up.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/text_encoding.h"
#include "common/utf8_path.h"
#include "support/file_bytes.h"
#include "support/recording_update_host.h"
#include "support/scratch_folder.h"
#include "update/process_launcher.h"
#include "update/update_check.h"
#include "update/update_paths.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(UpdaterHandOver, TheUpdaterReadsTheWordsOfItsCommandLineUnchanged) {
    ScratchFolder scratch;
    const fs::path updateFolder = scratch / "Servidor São Paulo" / "Update";
    const fs::path programFolder = scratch / "Gestão Comercial" / "ERP";
    fs::create_directories(updateFolder);
    fs::create_directories(programFolder);
    const fs::path updater = updateFolder / kUpdaterFileName;
    fs::copy_file(utf8Path(VELMORA_STAND_IN_UPDATER), updater);

    const std::vector<std::string> words = commandLineWords(
        updaterCommandLine(utf8Text(updateFolder), utf8Text(programFolder), "velmoraMonitorPublicacao.exe"));
    DetachedProcessLauncher().startDetached(updater, words);

    const fs::path call = updateFolder / "chamada.txt";
    for (int waited = 0; waited < 600 && !fs::exists(call); ++waited) {
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_TRUE(fs::exists(call)) << "the updater did not start";
    EXPECT_EQ(splitLines(test::readBytes(call)), (std::vector<std::string>{
                                                      "@F1",
                                                      "@M" + commandLineForm(utf8Text(updateFolder)),
                                                      "@E" + commandLineForm(utf8Text(programFolder)),
                                                      "@AvelmoraMonitorPublicacao.exe",
                                                  }));
}

TEST(UpdaterHandOver, AnUpdaterThatCannotStartIsToldAndOnlyOneThatRunsGetsTheInstallation) {
    ScratchFolder scratch;
    const fs::path updateFolder = scratch / "Servidor São Paulo" / "Update";
    const fs::path programFolder = scratch / "Gestão Comercial" / "ERP";
    fs::create_directories(updateFolder);
    const fs::path updater = updateFolder / kUpdaterFileName;
    test::writeBytes(updater, "isto não é um programa\r\n");
    test::RecordingUpdateHost host;
    DetachedProcessLauncher launcher;
    UpdateCheck check(programFolder / "velmoraMonitorPublicacao.exe", host, launcher);
    check.prepareUpdater("", utf8Text(scratch / "Servidor São Paulo" / "Dados" / "velmora.ini"));
    ASSERT_EQ(check.updateFolder(), utf8Text(updateFolder));

    EXPECT_NO_THROW(check.handOverToUpdater());

    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].title, "Aviso do Sistema");
    EXPECT_EQ(host.boxes[0].text, "Não foi possível iniciar o velmora Atualizador (" + utf8Text(updater) +
                                      "): o arquivo não é um programa que este sistema possa executar. O monitor "
                                      "continua com a versão atual.");
    EXPECT_EQ(host.boxes[0].icon, UpdateMessageIcon::Exclamation);
    EXPECT_EQ(host.handOvers, 0);
    EXPECT_EQ(host.quitRequests, 0);

    fs::copy_file(utf8Path(VELMORA_STAND_IN_UPDATER), updater, fs::copy_options::overwrite_existing);
    EXPECT_THROW(check.handOverToUpdater(), test::HandedOver);
    EXPECT_EQ(host.handOvers, 1);
    EXPECT_EQ(host.boxes.size(), 1u);
    const fs::path call = updateFolder / "chamada.txt";
    for (int waited = 0; waited < 600 && !fs::exists(call); ++waited) {
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_TRUE(fs::exists(call)) << "the updater did not start";
}

}  // namespace
}  // namespace velmora
