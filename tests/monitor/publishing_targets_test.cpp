#include "monitor/publishing_targets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "common/ftp_client.h"
#include "common/ftp_path.h"
#include "common/ftp_trust.h"
#include "common/ptbr_format.h"
#include "common/sql_text.h"
#include "monitor_harness.h"
#include "support/file_bytes.h"
#include "support/ftp_test_server.h"
#include "support/loopback_port.h"
#include "support/scratch_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::FtpServerOptions;
using test::FtpTestServer;
using test::MonitorHarness;
using test::namesIn;
using test::readBytes;
using test::writeBytes;

constexpr const char* kTransferFailed = "Erro na transferencia do arquivo para o FTP. A planilha não foi enviada.";
constexpr const char* kPassword = "s3nh@-Secreta";

std::string workbookContent(std::size_t size = 120000) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 13 + i / 97) % 256);
    }
    return bytes.replace(0, 4, "PK\x03\x04");
}

struct Schedule {
    std::optional<std::string> next;  // dd/mm/yyyy hh:mm:ss
    bool lastWritten = false;
};

// A connected monitor over a throwaway installation whose program folder holds the report's workbook.
class PublishingTargetsTest : public ::testing::Test {
protected:
    PublishingTargetsTest() {
        h.monitor->startUp();
        h.ui.statusHistory.clear();
        h.clock.sleeps.clear();
        h.monitor->database().execute("delete from tab_relatorio");
        fs::create_directories(h.erp.programFolder() / "Excel");
    }

    void putWorkbook(const std::string& name, const std::string& content) {
        writeBytes(h.erp.programFolder() / "Excel" / (name + ".xlsx"), content);
    }

    // A daily report at 08:00; the fake clock stands at 10/12/2026 09:30, so its next publication is tomorrow.
    void insertFtpReport(const std::string& name, const std::string& host, int port, const std::string& folder) {
        h.monitor->database().execute(
            "insert into tab_relatorio (id_relatorio, nm_relatorio, st_ativo, tp_publicacao, ds_servidor_ftp, "
            "no_porta_ftp, ds_usuario_ftp, ds_senha_ftp, ds_pasta_ftp, tp_agendamento, ho_publicacao) values (1, " +
            quotedSql(name) + ", 'S', 2, " + quotedSql(host) + ", " + std::to_string(port) + ", 'velmora', " +
            quotedSql(kPassword) + ", " + quotedSql(folder) + ", 1, '08:00:00')");
    }

    void insertFolderReport(const std::string& name, const std::string& folder) {
        h.monitor->database().execute(
            "insert into tab_relatorio (id_relatorio, nm_relatorio, st_ativo, tp_publicacao, ds_pasta_salvar, "
            "tp_agendamento, ho_publicacao) values (1, " +
            quotedSql(name) + ", 'S', 1, " + quotedSql(folder) + ", 1, '08:00:00')");
    }

    Schedule schedule() {
        const ResultSet row =
            h.monitor->database().query("select dh_proxima_public, dh_ultima_public from tab_relatorio where id_relatorio = 1");
        Schedule result;
        if (!row.field(0, "DH_PROXIMA_PUBLIC").isNull()) {
            result.next = formatDateTime(row.field(0, "DH_PROXIMA_PUBLIC").asDateTime(), "dd/mm/yyyy hh:mm:ss");
        }
        result.lastWritten = !row.field(0, "DH_ULTIMA_PUBLIC").isNull();
        return result;
    }

    void expectRescheduled() {
        const Schedule written = schedule();
        EXPECT_EQ(written.next, std::optional<std::string>("11/12/2026 08:00:00"));
        EXPECT_TRUE(written.lastWritten);
    }

    void expectNotRescheduled() {
        const Schedule written = schedule();
        EXPECT_EQ(written.next, std::nullopt);
        EXPECT_FALSE(written.lastWritten);
    }

    MonitorHarness h{true};
    PublishingTargets targets{*h.monitor, h.monitor->ftp()};
};

TEST_F(PublishingTargetsTest, AVerifiedUploadReplacesTheRemoteCopyAndReschedules) {
    FtpTestServer server(FtpServerOptions{.password = kPassword});
    const fs::path remoteFolder = server.root() / "Relatórios Mensais";
    fs::create_directories(remoteFolder);
    writeBytes(remoteFolder / "Vendas São Paulo.xlsx", "an older copy of the workbook");
    const std::string content = workbookContent();
    putWorkbook("Vendas São Paulo", content);
    insertFtpReport("Vendas São Paulo", server.host(), server.port(), "/Relatórios Mensais");

    const PublicationResult result = targets.uploadWorkbookToFtp(1);

    EXPECT_TRUE(result.ok) << result.error;
    EXPECT_EQ(readBytes(remoteFolder / "Vendas São Paulo.xlsx"), content);
    EXPECT_EQ(namesIn(remoteFolder), std::vector<std::string>{"Vendas São Paulo.xlsx"});
    expectRescheduled();
    EXPECT_EQ(h.ui.observationText, "");
    EXPECT_NE(std::find(h.ui.statusHistory.begin(), h.ui.statusHistory.end(), "ENVIANDO PARA FTP"),
              h.ui.statusHistory.end());
    EXPECT_EQ(h.clock.sleeps, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(3000)});
    EXPECT_FALSE(h.monitor->ftp().connected());
}

// Written under a temporary name and renamed: the report's name never holds a part. A server that refuses to
// rename onto an existing name (as some Windows servers do) still gets the new workbook, and nothing else stays.
TEST_F(PublishingTargetsTest, TheNewWorkbookTakesTheReportsNameOnlyWhenComplete) {
    const struct {
        const char* what;
        FtpServerOptions options;
        const char* previous;
    } cases[] = {
        {"first publication", {.password = kPassword}, nullptr},
        {"server refusing to rename onto a name", {.password = kPassword, .refuseRenameOntoExisting = true},
         "the previous workbook"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        h.monitor->database().execute("delete from tab_relatorio");
        FtpTestServer server(c.options);
        fs::create_directories(server.root() / "publico");
        if (c.previous != nullptr) {
            writeBytes(server.root() / "publico" / "Vendas.xlsx", c.previous);
        }
        const std::string content = workbookContent();
        putWorkbook("Vendas", content);
        insertFtpReport("Vendas", server.host(), server.port(), "publico");

        const PublicationResult result = targets.uploadWorkbookToFtp(1);

        EXPECT_TRUE(result.ok) << result.error;
        EXPECT_EQ(readBytes(server.root() / "publico" / "Vendas.xlsx"), content);
        EXPECT_EQ(namesIn(server.root() / "publico"), std::vector<std::string>{"Vendas.xlsx"});
        expectRescheduled();
        const std::string log = server.log();
        EXPECT_NE(log.find("<- STOR .Vendas.xlsx."), std::string::npos) << log;
        EXPECT_EQ(log.find("<- STOR Vendas.xlsx"), std::string::npos) << log;
        EXPECT_EQ(log.find("<- APPE"), std::string::npos) << log;
    }
}

// While the upload runs, readers see the previous workbook; a monitor that is ending stops the upload to a
// stalled server without waiting for its time-out, and the report stays due.
TEST_F(PublishingTargetsTest, WhileTheUploadRunsTheReportsNameHoldsThePreviousWorkbook) {
    FtpTestServer server(FtpServerOptions{.password = kPassword, .stallUploadAfter = 100000});
    const fs::path published = server.root() / "publico" / "Vendas.xlsx";
    fs::create_directories(server.root() / "publico");
    writeBytes(published, "the previous workbook");
    putWorkbook("Vendas", workbookContent(2000000));
    insertFtpReport("Vendas", server.host(), server.port(), "publico");
    std::optional<std::string> seenMidUpload;
    h.monitor->ftp().setCancelCheck([&] {
        if (!server.stalled()) {
            return false;
        }
        seenMidUpload = seenMidUpload.value_or(readBytes(published));
        return true;
    });

    const auto start = std::chrono::steady_clock::now();
    const PublicationResult result = targets.uploadWorkbookToFtp(1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << "hang guard only";

    EXPECT_EQ(seenMidUpload, std::optional<std::string>("the previous workbook"));
    EXPECT_EQ(readBytes(published), "the previous workbook");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "O envio ao servidor FTP foi interrompido porque o monitor está sendo encerrado.");
    EXPECT_EQ(h.ui.observationText, result.error);
    expectNotRescheduled();
    EXPECT_FALSE(h.monitor->ftp().connected());
}

// Whatever went wrong, the report stays due, the user reads why (never the password), the report's name on the
// server holds what it held, and nothing else is left there when the server still takes a delete.
TEST_F(PublishingTargetsTest, FailedUploadsAreReportedAndLeaveTheReportDue) {
    struct Case {
        const char* name;
        FtpServerOptions options;
        bool serverGone;
        const char* folder;
        const char* previous;  // already on the server under the report's name
        const char* expected;
    };
    const Case cases[] = {
        {"server without SIZE", {.password = kPassword, .sizeCommand = false}, false, "publico", "the previous one",
         kTransferFailed},
        {"server refusing renames", {.password = kPassword, .refuseRename = true}, false, "publico",
         "the previous one", "Não foi possível renomear o arquivo \".Vendas.xlsx."},
        {"server refusing renames, first publication", {.password = kPassword, .refuseRename = true}, false,
         "publico", nullptr, "Não foi possível renomear o arquivo \".Vendas.xlsx."},
        {"login refused", {.password = kPassword, .refuseLogin = true}, false, "publico", nullptr,
         "Não foi possível conectar ao servidor FTP 127.0.0.1"},
        {"missing remote folder", {.password = kPassword}, false, "nao existe", nullptr,
         "Não foi possível abrir a pasta \"nao existe\" no servidor FTP 127.0.0.1"},
        {"connection dropped mid-transfer", {.password = kPassword, .dropUploadAfter = 30000}, false, "publico",
         "the previous one", "Não foi possível enviar o arquivo \".Vendas.xlsx."},
        {"unreachable server", {.password = kPassword}, true, "publico", nullptr,
         "Não foi possível conectar ao servidor FTP 127.0.0.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        h.monitor->database().execute("delete from tab_relatorio");
        FtpTestServer server(c.options);
        const fs::path remoteFolder = server.root() / "publico";
        fs::create_directories(remoteFolder);
        if (c.previous != nullptr) {
            writeBytes(remoteFolder / "Vendas.xlsx", c.previous);
        }
        std::optional<test::RefusingPort> refusing;
        if (c.serverGone) {
            refusing.emplace();
        }
        putWorkbook("Vendas", workbookContent());
        insertFtpReport("Vendas", server.host(), c.serverGone ? refusing->port() : server.port(), c.folder);
        h.ui.observationText.clear();

        const PublicationResult result = targets.uploadWorkbookToFtp(1);

        EXPECT_NE(h.ui.observationText.find(c.expected), std::string::npos) << h.ui.observationText;
        EXPECT_EQ(h.ui.observationText.find(kPassword), std::string::npos) << h.ui.observationText;
        EXPECT_EQ(result.error, h.ui.observationText);
        expectNotRescheduled();
        if (c.previous != nullptr) {
            EXPECT_EQ(readBytes(remoteFolder / "Vendas.xlsx"), c.previous);
            EXPECT_EQ(namesIn(remoteFolder), std::vector<std::string>{"Vendas.xlsx"});
        } else {
            EXPECT_TRUE(namesIn(remoteFolder).empty());
        }
        EXPECT_FALSE(h.monitor->ftp().connected());
    }
}

// FTPS and SFTP deliver the same way: under a temporary name, checked, renamed; a server that dies mid-transfer
// leaves the previous workbook under the report's name. The journal names the scheme, and an SFTP server's key
// seen for the first time is journaled with its fingerprint.
TEST_F(PublishingTargetsTest, SecureSchemesDeliverTheWorkbookAndADeadServerLeavesThePreviousOne) {
    const struct {
        FtpScheme scheme;
        std::int64_t exitUploadAfter;
    } cases[] = {
        {FtpScheme::Ftps, -1}, {FtpScheme::Sftp, -1}, {FtpScheme::Ftps, 60000}, {FtpScheme::Sftp, 60000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(schemeName(c.scheme)) + (c.exitUploadAfter >= 0 ? ", server killed" : ""));
        h.monitor->database().execute("delete from tab_relatorio");
        FtpTestServer server(
            FtpServerOptions{.scheme = c.scheme, .password = kPassword, .exitUploadAfter = c.exitUploadAfter});
        if (c.scheme == FtpScheme::Ftps) {
            fs::copy_file(server.certificateAuthority(), h.erp.dataFolder() / kSiteCertificatesFileName,
                          fs::copy_options::overwrite_existing);
        }
        const fs::path remoteFolder = server.root() / "publico";
        fs::create_directories(remoteFolder);
        writeBytes(remoteFolder / "Vendas.xlsx", "the previous workbook");
        const std::string content = workbookContent(400000);
        putWorkbook("Vendas", content);
        insertFtpReport("Vendas", server.address(), server.port(), "publico");

        const PublicationResult result = targets.uploadWorkbookToFtp(1);

        EXPECT_EQ(result.target, std::string(schemeName(c.scheme)) + "://127.0.0.1:" +
                                     std::to_string(server.port()) + "/publico");
        EXPECT_FALSE(h.monitor->ftp().connected());
        if (c.exitUploadAfter < 0) {
            EXPECT_TRUE(result.ok) << result.error;
            EXPECT_EQ(readBytes(remoteFolder / "Vendas.xlsx"), content);
            EXPECT_EQ(namesIn(remoteFolder), std::vector<std::string>{"Vendas.xlsx"});
            expectRescheduled();
        } else {
            EXPECT_FALSE(result.ok);
            EXPECT_NE(result.error.find("Não foi possível enviar o arquivo \".Vendas.xlsx."), std::string::npos)
                << result.error;
            EXPECT_EQ(result.error.find(kPassword), std::string::npos) << result.error;
            EXPECT_EQ(readBytes(remoteFolder / "Vendas.xlsx"), "the previous workbook");
            expectNotRescheduled();
        }
        if (c.scheme == FtpScheme::Sftp) {
            h.monitor->journal().flush();
            const std::string journal = readBytes(h.erp.dataFolder() / "velmoraMonitorPublicacao.log");
            EXPECT_NE(journal.find(server.hostKeyFingerprint()), std::string::npos) << journal;
            fs::remove(h.erp.dataFolder() / kKnownHostsFileName);  // the next case's server has a key of its own
        }
    }
}

TEST_F(PublishingTargetsTest, AMissingWorkbookIsReportedNotSkipped) {
    FtpTestServer server(FtpServerOptions{.password = kPassword});
    ScratchFolder target;
    const auto publish = [&](bool ftp) {
        h.monitor->database().execute("delete from tab_relatorio");
        if (ftp) {
            insertFtpReport("Sem Planilha", server.host(), server.port(), "");
            targets.uploadWorkbookToFtp(1);
        } else {
            insertFolderReport("Sem Planilha", target.path().string() + "/");
            targets.saveWorkbookToFolder(1);
        }
    };
    for (const bool ftp : {true, false}) {
        SCOPED_TRACE(ftp ? "FTP" : "folder");
        try {
            publish(ftp);
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find("Sem Planilha"), std::string::npos) << error.what();
        }
        expectNotRescheduled();
    }
    EXPECT_TRUE(fs::is_empty(server.root()));
    EXPECT_TRUE(fs::is_empty(target.path()));
}

TEST_F(PublishingTargetsTest, AFolderCopyReplacesTheOldOneAndReschedules) {
    ScratchFolder target;
    const std::string content = workbookContent();
    putWorkbook("Vendas", content);
    writeBytes(target / "Vendas.xlsx", "an older copy");
    insertFolderReport("Vendas", target.path().string() + "/");

    targets.saveWorkbookToFolder(1);

    EXPECT_EQ(readBytes(target / "Vendas.xlsx"), content);
    EXPECT_EQ(namesIn(target.path()).size(), 1u);
    expectRescheduled();
}

TEST_F(PublishingTargetsTest, AFolderWithoutTrailingSeparatorJoinsItsLastNameToTheFileName) {
    ScratchFolder parent;
    fs::create_directories(parent / "Publicadas");
    putWorkbook("Vendas", "workbook");
    insertFolderReport("Vendas", (parent / "Publicadas").string());

    targets.saveWorkbookToFolder(1);

    EXPECT_EQ(readBytes(parent / "PublicadasVendas.xlsx"), "workbook");
    EXPECT_TRUE(fs::is_empty(parent / "Publicadas"));
    expectRescheduled();
}

TEST_F(PublishingTargetsTest, AFolderCopyThatFailsIsAnErrorAndNotRescheduled) {
    ScratchFolder parent;
    writeBytes(parent / "arquivo.txt", "a file, not a folder");
    putWorkbook("Vendas", "workbook");
    for (const fs::path& folder : {parent / "arquivo.txt", parent / "nao existe"}) {
        SCOPED_TRACE(folder.string());
        h.monitor->database().execute("delete from tab_relatorio");
        insertFolderReport("Vendas", folder.string() + "/");
        try {
            targets.saveWorkbookToFolder(1);
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(folder.string() + "/Vendas.xlsx"), std::string::npos)
                << error.what();
        }
        expectNotRescheduled();
    }
    EXPECT_EQ(namesIn(parent.path()).size(), 1u);
}

TEST(measureFileSize, GivesTheSizeOrTheOpenError) {
    ScratchFolder folder;
    writeBytes(folder / "a.xlsx", std::string(1234, 'x'));
    EXPECT_EQ(measureFileSize(folder / "a.xlsx"), 1234);
    try {
        measureFileSize(folder / "b.xlsx");
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("b.xlsx"), std::string::npos) << error.what();
    }
}

}  // namespace
}  // namespace velmora
