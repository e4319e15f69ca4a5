#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "common/sql_text.h"
#include "fixtures/report_definition_builder.h"
#include "fixtures/sales_data_builder.h"
#include "support/child_process.h"
#include "support/erp_installation.h"
#include "support/update_folder.h"
#include "support/file_bytes.h"
#include "support/ftp_test_server.h"
#include "support/journal_lines.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ChildProcess;
using test::ErpInstallation;

// Takes variables out of this process's environment for as long as it lives, so that a child started meanwhile
// goes without them.
class WithoutVariables {
public:
    explicit WithoutVariables(std::vector<std::string> names) : names_(std::move(names)) {
        for (const auto& name : names_) {
            const char* value = std::getenv(name.c_str());
            saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
            ::unsetenv(name.c_str());
        }
    }
    ~WithoutVariables() {
        for (std::size_t index = 0; index < names_.size(); ++index) {
            if (saved_[index]) {
                ::setenv(names_[index].c_str(), saved_[index]->c_str(), 1);
            }
        }
    }
    WithoutVariables(const WithoutVariables&) = delete;
    WithoutVariables& operator=(const WithoutVariables&) = delete;

private:
    std::vector<std::string> names_;
    std::vector<std::optional<std::string>> saved_;
};

// The built program copied into a throwaway ERP installation and started there without a screen.
class ProgramRun : public ::testing::Test {
protected:
    ProgramRun() {
        fs::copy_file(VELMORA_PROGRAM, erp.programPath(), fs::copy_options::overwrite_existing);
        test::provideUpdateFolder(erp);
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    }

    // Offscreen: a platform chosen explicitly, with which message boxes wait for a click as they do at a screen.
    // NoScreen: neither a display nor a platform, as a service runs.
    enum class Screen { Offscreen, NoScreen };

    std::unique_ptr<ChildProcess> start(Screen screen = Screen::Offscreen) {
        std::vector<std::string> environment{"VELMORA_TRACE=1", "XDG_RUNTIME_DIR=" + runtime.string()};
        if (screen == Screen::Offscreen) {
            environment.emplace_back("QT_QPA_PLATFORM=offscreen");
        }
        // The child inherits the test's environment, which may well name a platform (CTest does) or a display.
        const WithoutVariables noScreen(
            screen == Screen::NoScreen ? std::vector<std::string>{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}
                                       : std::vector<std::string>{});
        return std::make_unique<ChildProcess>(std::vector<std::string>{erp.programPath().string()}, environment,
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

    fs::path journalFile() const { return erp.dataFolder() / "velmoraMonitorPublicacao.log"; }

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
    const auto ends = test::journalLines(journalFile(), "FIM");
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].detail.rfind("outro monitor em execução", 0), 0u) << ends[0].detail;
}

// A share that goes away for a while takes the server INI with it: told once, the program waits for it, and the
// flag still ends it once the share is back.
TEST_F(ProgramRun, AServerIniThatGoesAwayIsToldOnceAndTheProgramWaitsForIt) {
    auto program = start();
    ASSERT_TRUE(waitUntil([&] { return test::readBytes(output).find("DORMINDO") != std::string::npos; })) << test::readBytes(output);

    const std::string message = "Não foi encontrado o arquivo de inicialização dentro da pasta velmora Empresa";
    const auto told = [&] {
        const std::string text = test::readBytes(output);
        int count = 0;
        for (auto at = text.find(message); at != std::string::npos; at = text.find(message, at + 1)) {
            ++count;
        }
        return count;
    };
    fs::remove(erp.serverIni());
    ASSERT_TRUE(waitUntil([&] { return told() > 0; })) << test::readBytes(output);
    EXPECT_FALSE(program->waitFor(12s).has_value()) << "still running two ticks of the watch later";
    EXPECT_EQ(told(), 1);

    erp.writeServerIni("", erp.dataFolderText(), erp.databaseFile().filename().string());
    std::ofstream(erp.flagFile()) << "DESCONECTAR\r\n";
    const auto status = program->waitFor(60s);
    ASSERT_TRUE(status.has_value()) << test::readBytes(output);
    EXPECT_EQ(*status, 0);
    EXPECT_FALSE(fs::exists(erp.lockFile()));
}

// Nothing may stay running idle after a start that cannot go on, nor its lock refuse the start after the fix; the
// failure status lets a service manager start it again.
TEST_F(ProgramRun, AStartWithoutItsDatabaseEndsByItselfAsAFailureAndLeavesNoLock) {
    erp.writeServerIni("", erp.dataFolderText(), "missing.fdb");
    auto program = start();
    const auto status = program->waitFor(120s);
    ASSERT_TRUE(status.has_value()) << test::readBytes(output);
    EXPECT_EQ(*status, 1);
    EXPECT_FALSE(fs::exists(erp.lockFile()));
    const auto ends = test::journalLines(erp.dataFolder() / "velmoraMonitorPublicacao.log", "FIM");
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].result, "FALHA");
    EXPECT_EQ(ends[0].detail.rfind("Sem conexão com o banco de dados", 0), 0u) << ends[0].detail;
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

// A service has neither a display nor a platform of its own choosing; without a screen it still runs, and the
// stop a service manager sends ends it the orderly way.
TEST_F(ProgramRun, WithoutAScreenTheProgramRunsAndATerminationSignalEndsIt) {
    auto program = start(Screen::NoScreen);
    ASSERT_TRUE(waitUntil([&] { return test::readBytes(output).find("DORMINDO") != std::string::npos; })) << test::readBytes(output);
    ASSERT_TRUE(fs::exists(erp.lockFile()));
    ASSERT_TRUE(program->running()) << test::readBytes(output);

    program->signal(SIGTERM);
    const auto status = program->waitFor(60s);
    ASSERT_TRUE(status.has_value()) << test::readBytes(output);
    EXPECT_EQ(*status, 0);
    EXPECT_FALSE(fs::exists(erp.lockFile()));
    // The journal tells the morning after when and why it ended.
    std::vector<std::string> seen;
    for (const auto& line : test::journalLines(journalFile())) {
        seen.push_back(line.kind + " " + line.result + " " + (line.kind == "FIM" ? line.detail : ""));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"INICIO OK ", "FIM OK Sair"}));
}

// A report uploading to a server that stopped answering holds the window's thread; a termination signal still
// ends the program at once rather than after the transfer's time-out (a minute) and the closing of its connection.
TEST_F(ProgramRun, ATerminationSignalDoesNotWaitForAStalledUpload) {
    test::FtpTestServer server(test::FtpServerOptions{.stallUploadAfter = 1000});
    fs::create_directories(server.root() / "publico");
    {
        const auto db = erp.connect();
        db->execute("delete from tab_relatorio");
        test::SalesData::addTo(*db);
        test::ReportDefinitionBuilder(*db, 1, {.name = "Vendas"}).column(1).column(25);
        db->execute("update tab_relatorio set tp_publicacao = 2, ds_servidor_ftp = '127.0.0.1', no_porta_ftp = " +
                    std::to_string(server.port()) + ", ds_usuario_ftp = " + quotedSql(server.options().user) +
                    ", ds_senha_ftp = " + quotedSql(server.options().password) +
                    ", ds_pasta_ftp = 'publico', tp_agendamento = 1, ho_publicacao = '08:00' where id_relatorio = 1");
    }
    auto program = start(Screen::NoScreen);
    // The first cycle comes a minute after the start.
    ASSERT_TRUE(waitUntil([&] { return server.stalled(); }, 180s)) << test::readBytes(output);

    program->signal(SIGTERM);
    const auto status = program->waitFor(30s);
    ASSERT_TRUE(status.has_value()) << "still waiting for the stalled server: " << test::readBytes(output);
    EXPECT_EQ(*status, 0);
    EXPECT_FALSE(fs::exists(erp.lockFile()));
    // What the journal says went out is what the database says went out: here nothing.
    const auto published = test::journalLines(journalFile(), "PUBLICACAO");
    ASSERT_EQ(published.size(), 1u) << test::readBytes(output);
    EXPECT_EQ(published[0].result, "FALHA");
    EXPECT_NE(published[0].detail.find("encerrado"), std::string::npos) << published[0].detail;
    EXPECT_EQ(test::journalLines(journalFile(), "FIM").size(), 1u);
    EXPECT_TRUE(erp.connect()->query("select dh_ultima_public from tab_relatorio").field(0, 0).isNull());
    EXPECT_FALSE(fs::exists(server.root() / "publico" / "Vendas.xlsx"));
}

// The missing updater is told in a message box at start-up, and the program ends once it is closed. A person at
// the screen has to close it; without a screen nobody can, so the program must not wait for it.
TEST_F(ProgramRun, AStartUpMessageBoxHoldsOnlyAProgramWithAScreen) {
    fs::remove(test::updateFolderOf(erp) / "velmoraAtualizador.exe");
    const std::string told = "Não foi encontrado o velmora Atualizador";

    auto attended = start(Screen::Offscreen);
    ASSERT_TRUE(waitUntil([&] { return test::readBytes(output).find(told) != std::string::npos; })) << test::readBytes(output);
    std::this_thread::sleep_for(3s);
    ASSERT_TRUE(attended->running()) << test::readBytes(output);
    // The box in the way does not keep a termination signal from ending the program and giving its lock up.
    attended->signal(SIGTERM);
    const auto attendedStatus = attended->waitFor(60s);
    ASSERT_TRUE(attendedStatus.has_value()) << test::readBytes(output);
    EXPECT_EQ(*attendedStatus, 0);
    ASSERT_FALSE(fs::exists(erp.lockFile()));

    auto unattended = start(Screen::NoScreen);
    const auto status = unattended->waitFor(60s);
    ASSERT_TRUE(status.has_value()) << test::readBytes(output);
    EXPECT_EQ(*status, 0);
    EXPECT_NE(test::readBytes(output).find("Mensagem: " + told), std::string::npos) << test::readBytes(output);
}

}  // namespace
}  // namespace velmora
