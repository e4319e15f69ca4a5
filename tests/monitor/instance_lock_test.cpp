#include "monitor/instance_lock.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "support/scratch_folder.h"

namespace velmora {
namespace {

TEST(InstanceLock, LockNameIsTheProgramFileNameWithoutItsExtension) {
    const std::pair<std::string, std::string> cases[] = {
        {"/opt/erp/velmoraMonitorPublicacao.exe", "velmoraMonitorPublicacao.lock"},
        {"/opt/erp/Monitor.Teste.exe", "Monitor.Teste.lock"},
        {"/opt/erp/  monitor.exe  ", "monitor.lock"},
        {"/opt/erp/velmoraMonitorPublicacao", "velmoraMonitorPublicacao.lock"},
        {"velmoraMonitorPublicacao.exe", "velmoraMonitorPublicacao.lock"},
    };
    for (const auto& [program, lock] : cases) {
        EXPECT_EQ(NomeArquivoTrava(program), lock) << program;
    }
}

TEST(InstanceLock, LockFileIsOneAnsiLineEndedByCrLf) {
    ScratchFolder folder;
    const std::string dados = folder.path().string() + "/";
    const std::string program = "/opt/erp/velmoraMonitorPublicacao";

    EXPECT_FALSE(ExisteArquivoTrava(program, dados));
    CriarArquivoTrava(program, dados);
    EXPECT_TRUE(ExisteArquivoTrava(program, dados));
    EXPECT_FALSE(ExisteArquivoTrava("/opt/erp/outroMonitor", dados));

    std::ifstream in(folder / "velmoraMonitorPublicacao.lock", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, "Este arquivo indica que o monitor /opt/erp/velmoraMonitorPublicacao est\xE1 em execu\xE7\xE3o.\r\n");

    ExcluirArquivoTrava(program, dados);
    EXPECT_FALSE(ExisteArquivoTrava(program, dados));
    EXPECT_NO_THROW(ExcluirArquivoTrava(program, dados));
}

TEST(InstanceLock, ALockThatCannotBeWrittenRaisesTheFileError) {
    EXPECT_THROW(CriarArquivoTrava("/opt/erp/velmoraMonitorPublicacao", "/nonexistent/Dados/"), std::runtime_error);
}

}  // namespace
}  // namespace velmora
