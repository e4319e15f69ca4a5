#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/child_process.h"
#include "support/erp_installation.h"
#include "support/update_folder.h"
#include "support/file_bytes.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ChildProcess;
using test::ErpInstallation;


// The built program copied into a throwaway ERP installation and started there without a screen.
class ProgramRun : public ::testing::Test {
protected:
    ProgramRun() {
        fs::copy_file(VELMORA_PROGRAM, erp.programPath(), fs::copy_options::overwrite_existing);
        test::provideUpdateFolder(erp);
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    }

    std::unique_ptr<ChildProcess> start() {
        return std::make_unique<ChildProcess>(
            std::vector<std::string>{erp.programPath().string()},
            std::vector<std::string>{"QT_QPA_PLATFORM=offscreen", "VELMORA_TRACE=1", "XDG_RUNTIME_DIR=" + runtime.string()},
            output.string());
    }

    // Polls for what the program does by itself; the bound only keeps a broken build from hanging the suite.
    bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds bound = 60s) {
        const auto deadline = std::chrono::steady_clock::now() + bound;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(50ms);
        }
        return true;
    }

    ErpInstallation erp;
    fs::path runtime = erp.root() / "runtime";
    fs::path output = erp.root() / "output.txt";
};

TEST_F(ProgramRun, TheDisconnectFlagEndsTheProgramAndRemovesItsLock) {
    auto program = start();
    ASSERT_TRUE(waitUntil([&] { return test::readBytes(output).find("DORMINDO") != std::string::npos; })) << test::readBytes(output);
    ASSERT_TRUE(fs::exists(erp.lockFile()));

    std::ofstream(erp.flagFile()) << "CONECTAR\r\n";
    std::this_thread::sleep_for(6s);  // more than one look at the flag
    ASSERT_TRUE(program->running()) << test::readBytes(output);

    std::ofstream(erp.flagFile()) << "DESCONECTAR\r\n";
    const auto status = program->waitFor(60s);
    ASSERT_TRUE(status.has_value()) << test::readBytes(output);
    EXPECT_EQ(*status, 0);
    EXPECT_FALSE(fs::exists(erp.lockFile()));
}

// Logout, shutdown or kill: the Firebird client catches the signal itself, yet the monitor must still end.
TEST_F(ProgramRun, ATerminationSignalEndsTheProgramLikeSair) {
    auto program = start();
    ASSERT_TRUE(waitUntil([&] { return test::readBytes(output).find("DORMINDO") != std::string::npos; })) << test::readBytes(output);

    program->signal(SIGTERM);
    const auto status = program->waitFor(60s);
    ASSERT_TRUE(status.has_value()) << test::readBytes(output);
    EXPECT_EQ(*status, 0);
    EXPECT_FALSE(fs::exists(erp.lockFile()));
}

TEST_F(ProgramRun, ASecondStartEndsByItselfAndLeavesTheFirstOnesLock) {
    std::ofstream(erp.lockFile()) << "velmoraMonitorPublicacao\r\n";
    const auto before = test::readBytes(erp.lockFile());
    const auto written = fs::last_write_time(erp.lockFile());

    auto program = start();
    const auto status = program->waitFor(60s);
    ASSERT_TRUE(status.has_value()) << test::readBytes(output);
    EXPECT_EQ(*status, 0);
    EXPECT_NE(test::readBytes(output).find("já está sendo executado"), std::string::npos) << test::readBytes(output);
    ASSERT_TRUE(fs::exists(erp.lockFile()));
    EXPECT_EQ(test::readBytes(erp.lockFile()), before);
    EXPECT_EQ(fs::last_write_time(erp.lockFile()), written);
}

// There is no notification area offscreen, and the window only minimises: the end must not depend on either.
TEST_F(ProgramRun, AServerIniThatDisappearsEndsTheProgramKeepingTheLock) {
    auto program = start();
    ASSERT_TRUE(waitUntil([&] { return test::readBytes(output).find("DORMINDO") != std::string::npos; })) << test::readBytes(output);

    fs::remove(erp.serverIni());
    const auto status = program->waitFor(60s);
    ASSERT_TRUE(status.has_value()) << test::readBytes(output);
    EXPECT_EQ(*status, 0);
    EXPECT_NE(test::readBytes(output).find("Não foi encontrado o arquivo de inicialização dentro da pasta velmora Empresa"),
              std::string::npos);
    EXPECT_TRUE(fs::exists(erp.lockFile()));
}

// Nobody clicks OK on an unattended machine; the watch goes on behind its box.
TEST_F(ProgramRun, TheDisconnectFlagEndsTheProgramWhileItsMessageBoxIsOpen) {
    auto program = start();
    ASSERT_TRUE(waitUntil([&] { return test::readBytes(output).find("DORMINDO") != std::string::npos; })) << test::readBytes(output);

    fs::create_directory(erp.flagFile());  // there, but unreadable
    ASSERT_TRUE(waitUntil([&] { return test::readBytes(output).find("Não foi possível acessar") != std::string::npos; }))
        << test::readBytes(output);
    fs::remove(erp.flagFile());
    std::ofstream(erp.flagFile()) << "DESCONECTAR\r\n";

    const auto status = program->waitFor(60s);
    ASSERT_TRUE(status.has_value()) << test::readBytes(output);
    EXPECT_EQ(*status, 0);
    EXPECT_FALSE(fs::exists(erp.lockFile()));
}

TEST_F(ProgramRun, ALockLeftBehindIsTakenOverAndKeptFresh) {
    std::ofstream(erp.lockFile()) << "velmoraMonitorPublicacao\r\n";
    fs::last_write_time(erp.lockFile(), fs::file_time_type::clock::now() - 10min);

    auto program = start();
    ASSERT_TRUE(waitUntil([&] { return test::readBytes(output).find("DORMINDO") != std::string::npos; })) << test::readBytes(output);
    EXPECT_NE(test::readBytes(output).find("foi assumido por este monitor"), std::string::npos) << test::readBytes(output);
    EXPECT_NE(test::readBytes(erp.lockFile()).find(erp.programPath().string()), std::string::npos);

    // Whatever its timers do, the running monitor rewrites its lock well within every minute.
    fs::last_write_time(erp.lockFile(), fs::file_time_type::clock::now() - 1h);
    EXPECT_TRUE(waitUntil([&] {
        return fs::file_time_type::clock::now() - fs::last_write_time(erp.lockFile()) < 1min;
    }));
    EXPECT_TRUE(program->running()) << test::readBytes(output);
}

}  // namespace
}  // namespace velmora
