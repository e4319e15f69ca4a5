#include "common/ftp_trust.h"

namespace velmora {

std::string certificatesToTrust(const std::string& sitePem) { return sitePem; }

}  // namespace velmora
