#include "common/ftp_trust.h"

namespace velmora {

std::string certificatesToTrust(const std::string& sitePem) { return sitePem; }

std::string nameMismatchHint(const std::string&) { return {}; }

}  // namespace velmora
