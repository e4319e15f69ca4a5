#include "common/ftp_staged_upload.h"

#include <cstdio>
#include <random>

#include "common/ftp_client.h"
#include "common/ftp_listing.h"

namespace velmora {

namespace {

std::string randomHex() {
    std::random_device device;
    char digits[17];
    std::snprintf(digits, sizeof digits, "%08x%08x", static_cast<unsigned>(device()), static_cast<unsigned>(device()));
    return digits;
}

}  // namespace

std::string temporaryFtpName(const std::string& finalName, const std::vector<std::string>& listing) {
    std::string name;
    do {
        name = "." + finalName + "." + randomHex() + ".tmp";
    } while (listingHoldsIgnoringCase(listing, name));
    return name;
}

FtpStagedUpload::FtpStagedUpload(FtpClient& ftp, const std::string& finalName,
                                 const std::vector<std::string>& listing)
    : ftp_(ftp), temporaryName_(temporaryFtpName(finalName, listing)) {}

FtpStagedUpload::~FtpStagedUpload() {
    if (!ours_) {
        return;
    }
    try {
        ftp_.deleteFile(temporaryName_);
    } catch (const FtpError&) {
        // The server is gone or refuses; the temporary name keeps the part away from readers anyway.
    }
}

void FtpStagedUpload::send(const std::filesystem::path& localFile) {
    ours_ = true;  // a broken transfer may leave a part behind
    ftp_.upload(localFile, temporaryName_);
}

bool FtpStagedUpload::arrivedWhole(std::int64_t size) { return ftp_.remoteSize(temporaryName_) == size; }

void FtpStagedUpload::renameTo(const std::string& name) {
    ftp_.rename(temporaryName_, name);
    ours_ = false;
}

}  // namespace velmora
