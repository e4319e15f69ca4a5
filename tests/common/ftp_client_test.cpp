#include "common/ftp_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "common/ftp_path.h"
#include "common/ftp_trust.h"
#include "common/utf8_path.h"
#include "support/connection_outcome.h"
#include "support/file_bytes.h"
#include "support/ftp_test_server.h"
#include "support/loopback_port.h"
#include "support/scratch_folder.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using test::FtpServerOptions;
using test::FtpTestServer;
using test::namesIn;
using test::readBytes;
using test::writeBytes;

// Bytes that a text-mode transfer would change: line ends of both kinds, NULs, high bytes.
std::string binaryContent(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7 + i / 251) % 256);
    }
    bytes.replace(0, 6, "PK\r\n\n\r");
    return bytes;
}

std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(FtpPath, FoldersFollowAbsoluteAndRelativeChanges) {
    struct Case {
        const char* from;
        const char* change;
        const char* expected;
    };
    const Case cases[] = {
        {"", "relatorios", "relatorios"},
        {"relatorios", "mensais/", "relatorios/mensais"},
        {"relatorios", "/publico/vendas", "/publico/vendas"},
        {"/publico", "vendas", "/publico/vendas"},
        {"", "\\Relatórios\\Filial 1\\", "/Relatórios/Filial 1"},
        {"a", "./b//c", "a/b/c"},
        {"a/b", "..", "a/b/.."},
        {"a", "/", "/"},
        {"a", "", "a"},
    };
    for (const Case& c : cases) {
        const FtpFolder from = FtpFolder{}.changedTo(c.from);
        EXPECT_EQ(from.changedTo(c.change).text(), c.expected) << c.from << " + " << c.change;
    }
}

TEST(FtpPath, UrlsEncodeEveryNameAndMarkTheRoot) {
    const FtpFolder relative = FtpFolder{}.changedTo("Relatórios Mensais/100%");
    EXPECT_EQ(ftpUrl("ftp.example.com", 21, relative, "Vendas #1?.xlsx"),
              "ftp://ftp.example.com:21/Relat%C3%B3rios%20Mensais/100%25/Vendas%20%231%3F.xlsx");
    EXPECT_EQ(ftpUrl("10.0.0.5", 2121, FtpFolder{}.changedTo("/pub")), "ftp://10.0.0.5:2121/%2Fpub/");
    EXPECT_EQ(ftpUrl("::1", 21, FtpFolder{}), "ftp://[::1]:21/");
    for (const char* host : {"", "user@host", "host/path", "ftp://host", "host name"}) {
        EXPECT_THROW(ftpUrl(host, 21, FtpFolder{}), FtpError) << host;
    }
    EXPECT_THROW(ftpUrl("host", 0, FtpFolder{}), FtpError);
}

class FtpClientTest : public ::testing::Test {
protected:
    void connect(FtpTestServer& server) {
        client.setSettings(server.settings());
        client.connect();
    }

    ScratchFolder local;
    FtpClient client;
};

TEST_F(FtpClientTest, UploadsBinaryFilesIntoFoldersWithBlanksAndAccentsOverOneLogin) {
    FtpTestServer server;
    const fs::path remoteFolder = server.root() / "Relatórios Mensais" / "Filial São Paulo";
    fs::create_directories(remoteFolder);
    writeBytes(remoteFolder / "Outro.xlsx", "x");
    const std::string content = binaryContent(300000);
    writeBytes(local / "planilha.xlsx", content);

    connect(server);
    EXPECT_TRUE(client.connected());
    client.changeDirectory("Relatórios Mensais");
    client.changeDirectory("Filial São Paulo");
    client.upload(local / "planilha.xlsx", "Vendas de Março #1.xlsx");
    const std::vector<std::string> names = client.nameList();
    const std::int64_t size = client.remoteSize("Vendas de Março #1.xlsx");
    client.disconnect();
    EXPECT_FALSE(client.connected());

    EXPECT_EQ(readBytes(remoteFolder / "Vendas de Março #1.xlsx"), content);
    EXPECT_EQ(size, static_cast<std::int64_t>(content.size()));
    EXPECT_TRUE(contains(names, "Vendas de Março #1.xlsx"));
    EXPECT_TRUE(contains(names, "Outro.xlsx"));
    EXPECT_EQ(occurrences(server.log(), "logged in"), 1u) << server.log();
}

// Nothing is added onto what the server holds: an upload writes the whole file anew.
TEST_F(FtpClientTest, UploadReplacesAFileRenameMovesItAndDeleteRemovesIt) {
    FtpTestServer server;
    writeBytes(server.root() / "Vendas.xlsx", "an older and longer copy");
    writeBytes(local / "Vendas.xlsx", "new");

    connect(server);
    client.upload(local / "Vendas.xlsx", "Vendas.xlsx");
    EXPECT_EQ(readBytes(server.root() / "Vendas.xlsx"), "new");
    EXPECT_NE(server.log().find("<- STOR Vendas.xlsx"), std::string::npos) << server.log();
    EXPECT_EQ(server.log().find("<- APPE"), std::string::npos) << server.log();

    client.rename("Vendas.xlsx", "Vendas de Março.xlsx");
    EXPECT_EQ(namesIn(server.root()), std::vector<std::string>{"Vendas de Março.xlsx"});
    EXPECT_EQ(readBytes(server.root() / "Vendas de Março.xlsx"), "new");

    client.deleteFile("Vendas de Março.xlsx");
    EXPECT_TRUE(namesIn(server.root()).empty());
    EXPECT_TRUE(client.nameList().empty());
}

TEST_F(FtpClientTest, AbsoluteFoldersStartAtTheRootAndRelativeOnesGoOnFromTheCurrentOne) {
    FtpTestServer server;
    fs::create_directories(server.root() / "pub" / "vendas" / "pub");
    writeBytes(local / "a.xlsx", "abc");

    connect(server);
    client.changeDirectory("pub");
    client.changeDirectory("vendas\\pub\\");
    client.upload(local / "a.xlsx", "relativa.xlsx");
    client.changeDirectory("/pub");
    client.upload(local / "a.xlsx", "absoluta.xlsx");

    EXPECT_TRUE(fs::exists(server.root() / "pub" / "vendas" / "pub" / "relativa.xlsx"));
    EXPECT_TRUE(fs::exists(server.root() / "pub" / "absoluta.xlsx"));
}

TEST_F(FtpClientTest, AnEmptyFolderListsNoNamesAlsoWhereTheServerRefusesItsListing) {
    for (const bool refused : {false, true}) {
        FtpTestServer server(FtpServerOptions{.refuseEmptyListing = refused});
        fs::create_directories(server.root() / "vazia");
        writeBytes(local / "a.xlsx", "abc");
        connect(server);
        client.changeDirectory("vazia");
        EXPECT_TRUE(client.nameList().empty()) << refused;
        client.upload(local / "a.xlsx", "a.xlsx");
        EXPECT_EQ(client.nameList(), std::vector<std::string>{"a.xlsx"}) << refused;
    }
}

TEST_F(FtpClientTest, ActiveModeTransfersToo) {
    FtpTestServer server;
    writeBytes(local / "a.xlsx", binaryContent(50000));
    FtpSettings settings = server.settings();
    settings.passive = false;
    client.setSettings(settings);
    client.connect();
    client.upload(local / "a.xlsx", "a.xlsx");
    EXPECT_EQ(client.nameList(), std::vector<std::string>{"a.xlsx"});
    EXPECT_EQ(readBytes(server.root() / "a.xlsx"), readBytes(local / "a.xlsx"));
    const std::string log = server.log();
    EXPECT_NE(log.find("<- EPRT"), std::string::npos) << log;
    EXPECT_EQ(log.find("<- EPSV"), std::string::npos) << log;
    EXPECT_EQ(log.find("<- PASV"), std::string::npos) << log;
}

TEST_F(FtpClientTest, AServerWithoutSizeReportsNoSize) {
    FtpTestServer server(FtpServerOptions{.sizeCommand = false});
    writeBytes(server.root() / "Vendas.xlsx", "12345");
    connect(server);
    EXPECT_EQ(client.remoteSize("Vendas.xlsx"), -1);
}

TEST_F(FtpClientTest, RefusedCommandsFailAndTheNextOperationStillWorks) {
    FtpTestServer server;
    writeBytes(server.root() / "Vendas.xlsx", "12345");
    connect(server);
    const struct {
        std::function<void()> run;
        const char* expected;
    } cases[] = {
        {[&] { client.deleteFile("Inexistente.xlsx"); }, "apagar o arquivo \"Inexistente.xlsx\""},
        {[&] { client.rename("Inexistente.xlsx", "Novo.xlsx"); },
         "renomear o arquivo \"Inexistente.xlsx\" para \"Novo.xlsx\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        try {
            c.run();
            ADD_FAILURE() << "no error";
        } catch (const FtpError& error) {
            EXPECT_NE(std::string(error.what()).find(c.expected), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find("550"), std::string::npos) << error.what();
        }
        EXPECT_EQ(client.remoteSize("Vendas.xlsx"), 5);
    }
}

// Each failure names what was being done and the server, gives the reason, and never shows the password.
TEST_F(FtpClientTest, FailuresTellOperationServerAndReasonWithoutThePassword) {
    struct Case {
        const char* name;
        FtpServerOptions options;
        std::function<void(FtpClient&, FtpTestServer&)> run;
        const char* expected;
    };
    writeBytes(local / "big.xlsx", binaryContent(2000000));
    const fs::path big = local / "big.xlsx";
    const Case cases[] = {
        {"login refused", {.refuseLogin = true},
         [](FtpClient& c, FtpTestServer& s) {
             c.setSettings(s.settings());
             c.connect();
         },
         "conectar ao servidor FTP 127.0.0.1, porta "},
        {"wrong password", {},
         [](FtpClient& c, FtpTestServer& s) {
             FtpSettings settings = s.settings();
             settings.password = "errada-" + settings.password;
             c.setSettings(settings);
             c.connect();
         },
         "o servidor recusou o usuário ou a senha"},
        {"missing folder", {},
         [](FtpClient& c, FtpTestServer& s) {
             c.setSettings(s.settings());
             c.connect();
             c.changeDirectory("Não Existe");
         },
         "abrir a pasta \"Não Existe\" no servidor FTP 127.0.0.1"},
        {"write refused", {.readOnly = true},
         [&big](FtpClient& c, FtpTestServer& s) {
             c.setSettings(s.settings());
             c.connect();
             c.upload(big, "Vendas.xlsx");
         },
         "enviar o arquivo \"Vendas.xlsx\" ao servidor FTP 127.0.0.1"},
        {"rename refused", {.refuseRename = true},
         [](FtpClient& c, FtpTestServer& s) {
             writeBytes(s.root() / "a.xlsx", "abc");
             c.setSettings(s.settings());
             c.connect();
             c.rename("a.xlsx", "b.xlsx");
         },
         "renomear o arquivo \"a.xlsx\" para \"b.xlsx\" no servidor FTP 127.0.0.1"},
        {"dropped mid-transfer", {.dropUploadAfter = 100000},
         [&big](FtpClient& c, FtpTestServer& s) {
             c.setSettings(s.settings());
             c.connect();
             c.upload(big, "Vendas.xlsx");
         },
         "enviar o arquivo \"Vendas.xlsx\" ao servidor FTP 127.0.0.1"},
        {"server hangs mid-transfer", {.stallUploadAfter = 100000},
         [&big](FtpClient& c, FtpTestServer& s) {
             c.setTimeouts(std::chrono::seconds(1), std::chrono::seconds(1));
             c.setSettings(s.settings());
             c.connect();
             c.upload(big, "Vendas.xlsx");
         },
         "o servidor deixou de responder dentro do tempo limite"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FtpTestServer server(c.options);
        FtpClient ftp;
        try {
            c.run(ftp, server);
            ADD_FAILURE() << "no error";
        } catch (const FtpError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find(c.expected), std::string::npos) << message;
            EXPECT_EQ(message.find(server.options().password), std::string::npos) << message;
        }
    }
}

// In active mode the server connects back, which a firewall drops without a word for a program it does not know;
// a time-out in passive mode has other causes.
TEST_F(FtpClientTest, AnActiveModeTimeoutPointsAtTheFirewall) {
    const struct {
        const char* name;
        FtpServerOptions options;
        bool passive;
        bool hint;
    } cases[] = {
        {"active, the server's connection never arrives", {.ignoreActiveMode = true}, false, true},
        {"passive, the server stops answering", {.stallUploadAfter = 0}, true, false},
    };
    writeBytes(local / "a.xlsx", binaryContent(200000));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FtpTestServer server(c.options);
        FtpClient ftp;
        ftp.setTimeouts(std::chrono::seconds(1), std::chrono::seconds(1));
        FtpSettings settings = server.settings();
        settings.passive = c.passive;
        ftp.setSettings(settings);
        try {
            ftp.connect();
            ftp.upload(local / "a.xlsx", "a.xlsx");
            ADD_FAILURE() << "no error";
        } catch (const FtpError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("enviar o arquivo \"a.xlsx\""), std::string::npos) << message;
            EXPECT_EQ(message.find("Firewall do Windows") != std::string::npos, c.hint) << message;
        }
    }
}

TEST_F(FtpClientTest, ServersThatAreNotThereFailWithoutHanging) {
    test::RefusingPort refusing;
    client.setSettings(FtpSettings{"127.0.0.1", refusing.port(), "velmora", "s3nh@-Secreta"});
    try {
        client.connect();
        FAIL() << "no error";
    } catch (const FtpError& error) {
        EXPECT_NE(std::string(error.what()).find("o servidor não aceitou a conexão"), std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(client.connected());

    test::SilentPort silent;
    client.setTimeouts(std::chrono::seconds(1), std::chrono::seconds(1));
    client.setSettings(FtpSettings{"127.0.0.1", silent.port(), "velmora", "s3nh@-Secreta"});
    EXPECT_THROW(client.connect(), FtpError);
    EXPECT_FALSE(client.connected());
}

// A name reaches the server inside a URL or a command: a separator or a line break would act elsewhere.
TEST_F(FtpClientTest, NamesThatWouldReachBeyondTheFolderAreRefusedBeforeAnythingIsSent) {
    FtpTestServer server;
    fs::create_directories(server.root() / "sub");
    writeBytes(server.root() / "Vendas.xlsx", "12345");
    writeBytes(local / "a.xlsx", "abc");
    connect(server);
    for (const std::string name : {"", "sub/a.xlsx", "sub\\a.xlsx", "x\r\nDELE Vendas.xlsx"}) {
        SCOPED_TRACE(name);
        try {
            client.upload(local / "a.xlsx", name);
            ADD_FAILURE() << "no error";
        } catch (const FtpError& error) {
            EXPECT_NE(std::string(error.what()).find("não pode ser usado para enviar"), std::string::npos)
                << error.what();
        }
        EXPECT_THROW(client.deleteFile(name), FtpError);
        EXPECT_THROW(client.remoteSize(name), FtpError);
        EXPECT_THROW(client.rename("Vendas.xlsx", name), FtpError);
        EXPECT_THROW(client.rename(name, "Outro.xlsx"), FtpError);
    }
    EXPECT_EQ(namesIn(server.root()), (std::vector<std::string>{"Vendas.xlsx", "sub"}));
    EXPECT_TRUE(namesIn(server.root() / "sub").empty());
}

// A stalled server holds an operation for the whole stall time-out (a minute); a monitor that is ending does not
// wait for it, nor for anything else the server is asked afterwards.
TEST_F(FtpClientTest, AnUploadToAStalledServerStopsOnceTheCancelCheckSaysSo) {
    FtpTestServer server(FtpServerOptions{.stallUploadAfter = 100000});
    writeBytes(local / "big.xlsx", binaryContent(2000000));
    client.setCancelCheck([&] { return server.stalled(); });
    connect(server);

    const auto start = std::chrono::steady_clock::now();
    try {
        client.upload(local / "big.xlsx", "big.xlsx");
        ADD_FAILURE() << "no error";
    } catch (const FtpCancelled& error) {
        EXPECT_STREQ(error.what(),
                     "O envio ao servidor FTP foi interrompido porque o monitor está sendo encerrado.");
    }
    EXPECT_THROW(client.deleteFile("big.xlsx"), FtpCancelled);
    client.disconnect();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << "hang guard only";
}

TEST_F(FtpClientTest, OperationsWithoutAConnectionFail) {
    EXPECT_THROW(client.nameList(), FtpError);
    EXPECT_THROW(client.remoteSize("a.xlsx"), FtpError);
}

// FTPS and SFTP do what plain FTP does, byte for byte; the server data folder holds what the client trusts.
class SecureFtpTest : public FtpClientTest {
protected:
    FtpSettings settingsFor(const FtpTestServer& server) const {
        FtpSettings settings = server.settings();
        settings.trustFolder = utf8Text(trust.path());
        return settings;
    }
    void trustAuthorityOf(const FtpTestServer& server) const {
        fs::copy_file(server.certificateAuthority(), trust / kSiteCertificatesFileName,
                      fs::copy_options::overwrite_existing);
    }
    fs::path knownHosts() const { return trust / kKnownHostsFileName; }

    ScratchFolder trust;
};

TEST_F(SecureFtpTest, BothSchemesUploadListMeasureRenameAndDeleteByteForByte) {
    const std::string content = binaryContent(300000);
    writeBytes(local / "planilha.xlsx", content);
    for (const FtpScheme scheme : {FtpScheme::Ftps, FtpScheme::Sftp}) {
        SCOPED_TRACE(schemeName(scheme));
        FtpTestServer server(FtpServerOptions{.scheme = scheme});
        if (scheme == FtpScheme::Ftps) {
            trustAuthorityOf(server);
        }
        const fs::path remoteFolder = server.root() / "Relatórios Mensais";
        fs::create_directories(remoteFolder);
        writeBytes(remoteFolder / "Antigo \"1\".xlsx", "x");

        FtpClient ftp;
        ftp.setSettings(settingsFor(server));
        ftp.connect();
        ftp.changeDirectory("Relatórios Mensais");
        ftp.upload(local / "planilha.xlsx", ".Vendas de Março.xlsx.tmp");
        EXPECT_EQ(ftp.remoteSize(".Vendas de Março.xlsx.tmp"), static_cast<std::int64_t>(content.size()));
        ftp.rename(".Vendas de Março.xlsx.tmp", "Vendas de Março.xlsx");
        ftp.deleteFile("Antigo \"1\".xlsx");
        EXPECT_EQ(ftp.nameList(), std::vector<std::string>{"Vendas de Março.xlsx"});
        try {
            ftp.changeDirectory("/Não Existe");
            ADD_FAILURE() << "no error";
        } catch (const FtpError& error) {
            EXPECT_NE(std::string(error.what()).find("a pasta não existe"), std::string::npos) << error.what();
        }
        ftp.disconnect();

        EXPECT_EQ(namesIn(remoteFolder), std::vector<std::string>{"Vendas de Março.xlsx"});
        EXPECT_EQ(readBytes(remoteFolder / "Vendas de Março.xlsx"), content);
    }
}

// The system's store does not know the test's authority; the site's own file adds it, and every other check still
// holds.
TEST_F(SecureFtpTest, CertificatesAreCheckedAgainstTheSystemAndTheSitesOwnAuthorities) {
    const struct {
        const char* name;
        FtpServerOptions options;
        bool siteTrustsIt;
        const char* expected;  // none: the connection is made
    } cases[] = {
        {"unknown issuer", {.scheme = FtpScheme::Ftps}, false, "foi emitido por uma autoridade desconhecida"},
        {"its authority in the .ca.pem", {.scheme = FtpScheme::Ftps}, true, nullptr},
        {"made for another name", {.scheme = FtpScheme::Ftps, .certificateName = "outro.invalid"}, true,
         "o certificado apresentado não é do servidor 127.0.0.1"},
        {"expired", {.scheme = FtpScheme::Ftps, .expiredCertificate = true}, true, "está vencido"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FtpTestServer server(c.options);
        fs::remove(trust / kSiteCertificatesFileName);
        if (c.siteTrustsIt) {
            trustAuthorityOf(server);
        }
        FtpClient ftp;
        ftp.setSettings(settingsFor(server));
        const std::string message = test::expectConnection(ftp, c.expected);
        if (c.expected != nullptr) {
            EXPECT_NE(message.find("conectar ao servidor FTP 127.0.0.1, porta"), std::string::npos) << message;
        }
        // The password goes only to a server whose certificate passed.
        EXPECT_EQ(server.log().find("logged in") != std::string::npos, c.expected == nullptr) << server.log();
    }
}

TEST_F(SecureFtpTest, AnSftpServersKeyIsRecordedAtTheFirstConnectionAndAnotherKeyRefused) {
    std::vector<std::string> notices;
    client.setHostKeyNotice([&](const std::string& text) { notices.push_back(text); });
    FtpTestServer first(FtpServerOptions{.scheme = FtpScheme::Sftp});
    for (int i = 0; i < 2; ++i) {
        client.setSettings(settingsFor(first));
        client.connect();
        client.disconnect();
    }
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find(first.hostKeyFingerprint()), std::string::npos) << notices[0];
    const std::string recorded = readBytes(knownHosts());
    EXPECT_NE(recorded.find("127.0.0.1 ssh-rsa "), std::string::npos) << recorded;

    // The same host with another key: someone in between, or a server reinstalled.
    FtpTestServer second(FtpServerOptions{.scheme = FtpScheme::Sftp});
    client.setSettings(settingsFor(second));
    try {
        client.connect();
        ADD_FAILURE() << "no error";
    } catch (const FtpError& error) {
        const std::string message = error.what();
        for (const std::string& part : {std::string("servidor SFTP 127.0.0.1"), first.hostKeyFingerprint(),
                                        second.hostKeyFingerprint(), std::string(kKnownHostsFileName)}) {
            EXPECT_NE(message.find(part), std::string::npos) << part << " in " << message;
        }
    }
    EXPECT_EQ(readBytes(knownHosts()), recorded);
    EXPECT_EQ(second.log().find("login velmora"), std::string::npos) << second.log();

    // Once an administrator removes the line, the new key is recorded.
    fs::remove(knownHosts());
    client.connect();
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_NE(notices[1].find(second.hostKeyFingerprint()), std::string::npos) << notices[1];
}

TEST_F(SecureFtpTest, AWrongPasswordIsRefusedAndNeverShown) {
    for (const FtpScheme scheme : {FtpScheme::Ftps, FtpScheme::Sftp}) {
        SCOPED_TRACE(schemeName(scheme));
        FtpTestServer server(FtpServerOptions{.scheme = scheme});
        if (scheme == FtpScheme::Ftps) {
            trustAuthorityOf(server);
        }
        FtpSettings settings = settingsFor(server);
        settings.password = "errada-" + settings.password;
        FtpClient ftp;
        ftp.setSettings(settings);
        try {
            ftp.connect();
            ADD_FAILURE() << "no error";
        } catch (const FtpError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("o servidor recusou o usuário ou a senha"), std::string::npos) << message;
            EXPECT_EQ(message.find(settings.password), std::string::npos) << message;
        }
    }
}

TEST_F(SecureFtpTest, AnSftpServerWithNoHostKeyAlgorithmInCommonIsRefusedWithWhatItNeeds) {
    // An OpenSSH 8.8 or newer with only an RSA host key: never ssh-rsa, which is all libssh2 1.10 takes of an RSA key.
    FtpTestServer server(FtpServerOptions{.scheme = FtpScheme::Sftp, .withoutSshRsa = true});
    FtpClient ftp;
    ftp.setSettings(settingsFor(server));
    const std::string message = test::expectConnection(ftp, "a sessão SSH com o servidor não pôde ser iniciada");
    EXPECT_NE(message.find("HostKeyAlgorithms +ssh-rsa"), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(knownHosts()));
}

TEST(FtpServerAddress, TheSchemeComesFromTheServerFieldAndAPortOfZeroIsTheSchemesOwn) {
    const struct {
        const char* server;
        int port;
        const char* location;
    } cases[] = {
        {"ftp.example.com", 21, "ftp://ftp.example.com:21"},
        {"ftp.example.com", 0, "ftp://ftp.example.com:21"},
        {"FTPS://ftp.example.com/", 0, "ftps://ftp.example.com:21"},
        {"ftps://ftp.example.com", 990, "ftps://ftp.example.com:990"},
        {"sftp://ftp.example.com", 0, "sftp://ftp.example.com:22"},
        {"sftp://10.0.0.5", 2222, "sftp://10.0.0.5:2222"},
        {"ftp://ftp.example.com", 2121, "ftp://ftp.example.com:2121"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(serverLocation(serverAddress(c.server, c.port)), c.location) << c.server;
    }
    const FtpFolder relative = FtpFolder{}.changedTo("Relatórios/2026");
    const FtpServerAddress sftp{FtpScheme::Sftp, "h", 22};
    EXPECT_EQ(remoteUrl(sftp, relative, "a b.xlsx"), "sftp://h:22/~/Relat%C3%B3rios/2026/a%20b.xlsx");
    EXPECT_EQ(remoteUrl(sftp, FtpFolder{}.changedTo("/pub")), "sftp://h:22/pub/");
    EXPECT_EQ(sftpQuotedPath(relative, "a \"b\".xlsx"), "\"Relatórios/2026/a \\\"b\\\".xlsx\"");
    EXPECT_THROW(remoteUrl(serverAddress("http://h", 0), FtpFolder{}), FtpError);
}

}  // namespace
}  // namespace velmora
