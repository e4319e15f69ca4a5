#include "common/ftp_listing.h"

#include <algorithm>

namespace velmora {

namespace {

std::string listedName(const std::string& entry) {
    const auto slash = entry.find_last_of('/');
    return slash == std::string::npos ? entry : entry.substr(slash + 1);
}

}  // namespace

std::string foldedCase(const std::string& name) {
    std::string folded = name;
    for (std::size_t i = 0; i < folded.size(); ++i) {
        const auto byte = static_cast<unsigned char>(folded[i]);
        if (byte >= 'A' && byte <= 'Z') {
            folded[i] = static_cast<char>(byte + 32);
        } else if (byte == 0xC3 && i + 1 < folded.size()) {
            const auto next = static_cast<unsigned char>(folded[i + 1]);
            if (next >= 0x80 && next <= 0x9E && next != 0x97) {
                folded[i + 1] = static_cast<char>(next + 32);
            }
            ++i;
        }
    }
    return folded;
}

bool listingHolds(const std::vector<std::string>& listing, const std::string& name) {
    return std::any_of(listing.begin(), listing.end(),
                       [&](const std::string& entry) { return listedName(entry) == name; });
}

bool listingHoldsIgnoringCase(const std::vector<std::string>& listing, const std::string& name) {
    const std::string folded = foldedCase(name);
    return std::any_of(listing.begin(), listing.end(),
                       [&](const std::string& entry) { return foldedCase(listedName(entry)) == folded; });
}

}  // namespace velmora
