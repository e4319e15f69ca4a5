// The hand-over to the updater on Windows: the updater, started with CreateProcessW from a folder with blanks and
// accents, reads the very words the monitor meant to give it.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/text_encoding.h"
#include "common/utf8_path.h"
#include "support/file_bytes.h"
#include "support/scratch_folder.h"
#include "update/process_launcher.h"
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

}  // namespace
}  // namespace velmora
