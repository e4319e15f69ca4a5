#pragma once

#include <string>
#include <vector>

namespace velmora {

// Case as Windows servers compare names: ASCII letters and the accented letters of Latin-1 (UTF-8 C3 80..9E).
std::string foldedCase(const std::string& name);

// Whether a name list (NLST) holds `name`; some servers list paths, so only the part after the last "/" counts.
bool listingHolds(const std::vector<std::string>& listing, const std::string& name);
// The same, comparing as a server that ignores case would.
bool listingHoldsIgnoringCase(const std::vector<std::string>& listing, const std::string& name);

}  // namespace velmora
