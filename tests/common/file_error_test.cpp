#include "common/file_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace velmora {
namespace {

// A file held by another program must not send the administrator to the folder's permissions, and a lost network
// folder must not read as an invalid argument; a CIFS or NFS share on Linux gives the same errno values.
TEST(FileErrorReason, NamesAFileInUseAndTheNetworkFolderInTheUsersLanguage) {
    const std::string inUse = "o arquivo está em uso por outro programa";
    const std::string lost = "a conexão com a pasta da rede foi perdida";
    const struct {
        int errnoValue;
        std::string reason;
    } cases[] = {
        {EBUSY, inUse},
#ifdef ETXTBSY
        {ETXTBSY, inUse},
#endif
        {ECONNRESET, lost},
        {ECONNABORTED, lost},
        {ENETRESET, lost},
        {ENETDOWN, lost},
        {ENOTCONN, lost},
#ifdef EHOSTDOWN
        {EHOSTDOWN, lost},
#endif
        {ETIMEDOUT, "a pasta da rede não respondeu a tempo"},
        {EHOSTUNREACH, "a pasta da rede não foi encontrada"},
        {ENETUNREACH, "a pasta da rede não foi encontrada"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fileErrorReason(c.errnoValue), c.reason) << c.errnoValue;
    }
}

}  // namespace
}  // namespace velmora
