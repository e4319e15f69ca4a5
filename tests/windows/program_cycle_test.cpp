// The Windows program's whole cycle under Wine, against a Linux Firebird server and the FTP server of this machine
// (CTest fixtures), on an ERP installation with Windows paths and accents and the Firebird client in its program
// folder: as fbclient.dll, or (VELMORA_CYCLE_CLIENT) as gds32.dll alone, the name InterBase's sites know.
// Start-up fills the grid; the first cycle publishes into a folder and to the FTP server, writes the reminders into
// the outbox and takes up the survey files, journaling each; the disconnect flag ends it. ProgramCycle.
// SameFilesAsLinux then compares the workbooks and outbox it leaves with the Linux program's.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/connection.h"
#include "common/platform_files.h"
#include "common/text_encoding.h"
#include "common/utf8_path.h"
#include "support/file_bytes.h"
#include "support/journal_lines.h"
#include "windows/running_program.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::readBytes;
using test::writeBytes;

fs::path fixtureFolder(const char* variable) {
    const char* folder = std::getenv(variable);
    if (folder == nullptr) {
        throw std::runtime_error(std::string(variable) + " is not set; the test runs through CTest");
    }
    return utf8Path(folder);
}

int portIn(const fs::path& fixture) { return std::stoi(readBytes(fixture / "port")); }

std::string environmentOr(const char* variable, const char* otherwise) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0' ? value : otherwise;
}

// The Linux server opens the database by its own name for the file: Wine's drive Z: is the Linux root.
std::string linuxPath(const fs::path& windowsPath) {
    std::string text = utf8Text(windowsPath);
    if (text.size() < 2 || (text.compare(0, 2, "Z:") != 0 && text.compare(0, 2, "z:") != 0)) {
        throw std::runtime_error(text + " is not on drive Z:");
    }
    text.erase(0, 2);
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

// The installation this run leaves in the cycle folder for the comparison with the Linux program's: the program
// folder with the monitor, the ERP INI and fbclient.dll, the server data folder with the server INI naming the
// Linux server, a copy of the sample ERP database, the update folder, the e-mail and publication folders.
struct CycleInstallation {
    CycleInstallation() {
        std::error_code ignored;
        fs::remove_all(root.parent_path(), ignored);
        for (const fs::path& folder : {programFolder, dataFolder / "PESQUISA", updateFolder, emailFolder / "Textos",
                                       publishedFolder, ftpFolder}) {
            fs::create_directories(folder);
        }
        fs::copy_file(utf8Path(VELMORA_PROGRAM), program);
        fs::copy_file(platform::runningProgramFile().parent_path() / "fbclient.dll", programFolder / clientName);
        // The same time as the program's: no newer copy, nothing handed over to the updater.
        fs::copy_file(program, updateFolder / program.filename());
        fs::last_write_time(updateFolder / program.filename(), fs::last_write_time(program));
        writeBytes(updateFolder / "velmoraAtualizador.exe", "");

        fs::copy_file(cycleFolder / "velmora.fdb", dataFolder / "velmora.fdb");
        writeBytes(programFolder / "velmoraempresa.ini",
                   utf8ToWindows1252("[IniServidor]\r\nnomearquivo=" + utf8Text(dataFolder / "velmora.ini") + "\r\n"));
        // The path as the server sees it, with its own separator, as an administrator writes it for a Linux server.
        writeBytes(dataFolder / "velmora.ini",
                   utf8ToWindows1252("[Database]\r\nServidor=127.0.0.1/" + std::to_string(portIn(firebirdFixture)) +
                                     "\r\npath=" + linuxPath(dataFolder) + "/\r\nname=velmora.fdb\r\n"));
        writeBytes(emailFolder / "Textos" / "Email Aviso.txt", readBytes(cycleFolder / "Email Aviso.txt"));
        writeBytes(dataFolder / "PESQUISA" / "PQS_20261210_0001.txt",
                   "PESQUISA=SATISFACAO\r\nCLIENTE=1001\r\nNOTA=9\r\nCOMENTARIO=Atendimento r\xE1pido\r\n");

        database = std::make_unique<Connection>(ConnectionSettings{
            "127.0.0.1/" + std::to_string(portIn(firebirdFixture)) + ":" + linuxPath(dataFolder / "velmora.fdb"),
            "SYSDBA", "plorvatec"});
        database->execute("update tab_parametro set nm_pasta_email = '" + utf8Text(emailFolder) + "\\'");
        database->execute("update tab_relatorio set ds_pasta_salvar = '" + utf8Text(publishedFolder) +
                          "\\' where ds_pasta_salvar is not null");
        database->execute("update tab_relatorio set ds_servidor_ftp = '127.0.0.1', no_porta_ftp = " +
                          std::to_string(portIn(ftpFixture)) +
                          ", ds_usuario_ftp = 'velmora', ds_senha_ftp = 's3nh@-Secreta', ds_pasta_ftp = '/" + name + "/' "
                          "where tp_publicacao = 2");
        database->close();
    }

    fs::path firebirdFixture = fixtureFolder("VELMORA_FIREBIRD_FIXTURE");
    fs::path ftpFixture = fixtureFolder("VELMORA_FTP_FIXTURE");
    fs::path cycleFolder = fixtureFolder("VELMORA_PROGRAM_CYCLE");
    std::string clientName = environmentOr("VELMORA_CYCLE_CLIENT", "fbclient.dll");
    std::string name = clientName == "fbclient.dll" ? "windows" : "windows-" + fs::path(clientName).stem().string();
    fs::path root = cycleFolder / name / utf8Path("Gestão Comercial");
    fs::path programFolder = root / "ERP";
    fs::path program = programFolder / "velmoraMonitorPublicacao.exe";
    fs::path dataFolder = root / "Servidor" / "Dados";
    fs::path updateFolder = root / "Servidor" / "Update";
    fs::path emailFolder = root / "Email";
    fs::path publishedFolder = root / "Publicadas";
    fs::path ftpFolder = ftpFixture / "root" / name;
    fs::path journal = dataFolder / "velmoraMonitorPublicacao.log";
    fs::path output = root / "monitor-output.txt";
    std::unique_ptr<Connection> database;
};

// Polls for what the program does by itself; the bound only keeps a broken build from hanging the suite.
template <typename Condition>
bool waitUntil(Condition condition, std::chrono::seconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(200ms);
    }
    return true;
}

// The first cycle ends with the survey upload, and the status goes back to sleeping.
bool firstCycleDone(const std::string& output) {
    const auto survey = output.find("Situação: ENVIANDO PESQUISA");
    return survey != std::string::npos && output.find("Situação: DORMINDO", survey) != std::string::npos;
}

std::vector<std::string> subjectsOf(const fs::path& journal, const std::string& kind, const std::string& result) {
    std::vector<std::string> subjects;
    for (const test::JournalLine& line : test::journalLines(journal, kind)) {
        if (line.result == result) {
            subjects.push_back(line.subject);
        }
    }
    std::sort(subjects.begin(), subjects.end());
    return subjects;
}

TEST(ProgramCycle, TheFirstCyclePublishesRemindsAndTakesUpTheSurveysThenTheFlagEndsTheProgram) {
    CycleInstallation erp;
    const std::vector<std::string> activeReports{"Tabela de Preços", "Vendas dos Representantes - Últimos 12 Meses",
                                                 "Vendas por Cliente e Região"};
    SetEnvironmentVariableW(L"VELMORA_TRACE", L"1");
    test::RunningProgram monitor(erp.program, {}, {}, erp.output);

    // Start-up reads the active reports from the database into the grid.
    std::vector<std::wstring> grid;
    EXPECT_TRUE(waitUntil([&] { return !(grid = monitor.gridFirstColumn(L"VelmoraMonitorPublicacao")).empty(); },
                          180s))
        << readBytes(erp.output);
    std::vector<std::string> gridNames;
    for (const std::wstring& name : grid) {
        gridNames.push_back(utf8Text(fs::path(name)));
    }
    EXPECT_EQ(gridNames, activeReports);

    ASSERT_TRUE(waitUntil([&] { return firstCycleDone(readBytes(erp.output)); }, 300s)) << readBytes(erp.output);
    writeBytes(erp.dataFolder / "Conectado.txt", "DESCONECTAR\r\n");
    EXPECT_EQ(monitor.waitForEnd(120s), DWORD{0}) << readBytes(erp.output);
    EXPECT_FALSE(fs::exists(erp.dataFolder / "velmoraMonitorPublicacao.lock"));

    // Published into the folder and to the FTP server, each the workbook the program built.
    const auto built = [&](const std::string& report) {
        return readBytes(erp.programFolder / "Excel" / utf8Path(report + ".xlsx"));
    };
    for (const std::string& report : {activeReports[0], activeReports[2]}) {
        EXPECT_EQ(readBytes(erp.publishedFolder / utf8Path(report + ".xlsx")), built(report)) << report;
    }
    EXPECT_EQ(readBytes(erp.ftpFolder / utf8Path(activeReports[1] + ".xlsx")), built(activeReports[1]));
    EXPECT_EQ(subjectsOf(erp.journal, "PUBLICACAO", "OK"), activeReports);

    // The reminders of the day in the outbox, one control file per message, as many as the journal says.
    std::size_t controlFiles = 0;
    for (const auto& entry : fs::directory_iterator(erp.emailFolder / utf8Path("Caixa de Saída"))) {
        controlFiles += entry.path().extension() == ".cfe" ? 1 : 0;
    }
    EXPECT_GT(controlFiles, 0u);
    const auto reminders = test::journalLines(erp.journal, "LEMBRETE");
    ASSERT_EQ(reminders.size(), 1u);
    EXPECT_EQ(reminders[0].result, "OK");
    EXPECT_EQ(reminders[0].detail, std::to_string(controlFiles) + " mensagens");

    // The survey step took the file up; the maker's server this build names is out of reach here, so the file
    // waits in its folder for the next cycle (the upload itself: survey_ftp_tests_windows).
    const auto surveys = test::journalLines(erp.journal, "PESQUISA");
    ASSERT_EQ(surveys.size(), 1u);
    EXPECT_EQ(surveys[0].subject, "PQS_20261210_0001.txt");
    EXPECT_EQ(surveys[0].detail.rfind("aguarda o próximo ciclo", 0), 0u) << surveys[0].detail;
    EXPECT_TRUE(fs::exists(erp.dataFolder / "PESQUISA" / "PQS_20261210_0001.txt"));

    // The update check upgraded the parameter table and the publications were rescheduled in the database.
    const auto parameters = erp.database->query("select script_rodado, versao_erp from tab_parametro");
    ASSERT_EQ(parameters.rowCount(), 1u);
    EXPECT_EQ(parameters.field(0, "SCRIPT_RODADO").asString(), "412");
    EXPECT_FALSE(parameters.field(0, "VERSAO_ERP").asString().empty());
    EXPECT_EQ(erp.database
                  ->query("select count(*) as pending from tab_relatorio where st_ativo = 'S' and "
                          "dh_ultima_public is null")
                  .field(0, "PENDING")
                  .asString(),
              "0");

    // The start names the client it took, with the version the client gives.
    const auto starts = test::journalLines(erp.journal, "INICIO");
    ASSERT_EQ(starts.size(), 1u);
    const std::string client = "cliente Firebird: " + utf8Text(erp.programFolder / erp.clientName) + " (WI-V";
    EXPECT_NE(starts[0].detail.find(client), std::string::npos) << starts[0].detail;
    EXPECT_NE(starts[0].detail.find(" Firebird 3.0)"), std::string::npos) << starts[0].detail;

    const auto ends = test::journalLines(erp.journal, "FIM");
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].subject, utf8Text(erp.program));
    EXPECT_EQ(ends[0].result, "OK");
}

}  // namespace
}  // namespace velmora
