#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace velmora {

// A failure reported by the database client: the client's own message text plus its error codes.
class DatabaseError : public std::runtime_error {
public:
    DatabaseError(const std::string& message, std::vector<std::intptr_t> codes = {});

    const std::vector<std::intptr_t>& codes() const { return codes_; }
    bool hasCode(std::intptr_t code) const;

private:
    std::vector<std::intptr_t> codes_;
};

}  // namespace velmora
