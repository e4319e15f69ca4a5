#include "monitor/publishing_targets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

#include "common/ftp_client.h"
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
        h.monitor->FormCreate();
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

    targets.EnviarPlanilhaFTP(1);

    EXPECT_EQ(readBytes(remoteFolder / "Vendas São Paulo.xlsx"), content);
    expectRescheduled();
    EXPECT_EQ(h.ui.observationText, "");
    EXPECT_NE(std::find(h.ui.statusHistory.begin(), h.ui.statusHistory.end(), "ENVIANDO PARA FTP"),
              h.ui.statusHistory.end());
    EXPECT_EQ(h.clock.sleeps, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(3000)});
    EXPECT_FALSE(h.monitor->ftp().connected());
}

// Whatever went wrong, the report stays due, the user reads why (never the password), and no broken or
// appended copy stays on the server.
TEST_F(PublishingTargetsTest, FailedUploadsAreReportedAndLeaveTheReportDue) {
    struct Case {
        const char* name;
        FtpServerOptions options;
        bool serverGone;
        const char* folder;
        const char* oldRemoteCopy;  // already on the server under the report's name
        const char* expected;
    };
    const Case cases[] = {
        {"server without SIZE", {.password = kPassword, .sizeCommand = false}, false, "publico", nullptr,
         kTransferFailed},
        {"append onto a copy the listing hides", {.password = kPassword, .hideFromListing = true}, false, "publico",
         "an older copy", kTransferFailed},
        {"login refused", {.password = kPassword, .refuseLogin = true}, false, "publico", nullptr,
         "Não foi possível conectar ao servidor FTP 127.0.0.1"},
        {"missing remote folder", {.password = kPassword}, false, "nao existe", nullptr,
         "Não foi possível abrir a pasta \"nao existe\" no servidor FTP 127.0.0.1"},
        {"connection dropped mid-transfer", {.password = kPassword, .dropUploadAfter = 30000}, false, "publico",
         nullptr, "Não foi possível enviar o arquivo \"Vendas.xlsx\" ao servidor FTP 127.0.0.1"},
        {"unreachable server", {.password = kPassword}, true, "publico", nullptr,
         "Não foi possível conectar ao servidor FTP 127.0.0.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        h.monitor->database().execute("delete from tab_relatorio");
        FtpTestServer server(c.options);
        fs::create_directories(server.root() / "publico");
        if (c.oldRemoteCopy != nullptr) {
            writeBytes(server.root() / "publico" / "Vendas.xlsx", c.oldRemoteCopy);
        }
        std::optional<test::RefusingPort> refusing;
        if (c.serverGone) {
            refusing.emplace();
        }
        putWorkbook("Vendas", workbookContent());
        insertFtpReport("Vendas", server.host(), c.serverGone ? refusing->port() : server.port(), c.folder);
        h.ui.observationText.clear();

        targets.EnviarPlanilhaFTP(1);

        EXPECT_NE(h.ui.observationText.find(c.expected), std::string::npos) << h.ui.observationText;
        EXPECT_EQ(h.ui.observationText.find(kPassword), std::string::npos) << h.ui.observationText;
        expectNotRescheduled();
        EXPECT_FALSE(fs::exists(server.root() / "publico" / "Vendas.xlsx"));
        EXPECT_FALSE(h.monitor->ftp().connected());
    }
}

TEST_F(PublishingTargetsTest, AMissingWorkbookIsReportedNotSkipped) {
    FtpTestServer server(FtpServerOptions{.password = kPassword});
    ScratchFolder target;
    const auto publish = [&](bool ftp) {
        h.monitor->database().execute("delete from tab_relatorio");
        if (ftp) {
            insertFtpReport("Sem Planilha", server.host(), server.port(), "");
            targets.EnviarPlanilhaFTP(1);
        } else {
            insertFolderReport("Sem Planilha", target.path().string() + "/");
            targets.SalvarPlanilhaPasta(1);
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

    targets.SalvarPlanilhaPasta(1);

    EXPECT_EQ(readBytes(target / "Vendas.xlsx"), content);
    EXPECT_EQ(namesIn(target.path()).size(), 1u);
    expectRescheduled();
}

TEST_F(PublishingTargetsTest, AFolderWithoutTrailingSeparatorJoinsItsLastNameToTheFileName) {
    ScratchFolder parent;
    fs::create_directories(parent / "Publicadas");
    putWorkbook("Vendas", "workbook");
    insertFolderReport("Vendas", (parent / "Publicadas").string());

    targets.SalvarPlanilhaPasta(1);

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
            targets.SalvarPlanilhaPasta(1);
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(folder.string() + "/Vendas.xlsx"), std::string::npos)
                << error.what();
        }
        expectNotRescheduled();
    }
    EXPECT_EQ(namesIn(parent.path()).size(), 1u);
}

TEST(ObterTamanhoArquivo, GivesTheSizeOrTheOpenError) {
    ScratchFolder folder;
    writeBytes(folder / "a.xlsx", std::string(1234, 'x'));
    EXPECT_EQ(ObterTamanhoArquivo(folder / "a.xlsx"), 1234);
    try {
        ObterTamanhoArquivo(folder / "b.xlsx");
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("b.xlsx"), std::string::npos) << error.what();
    }
}

}  // namespace
}  // namespace velmora
