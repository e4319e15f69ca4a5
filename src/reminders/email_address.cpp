#include "reminders/email_address.h"

#include <vector>

#include "common/text.h"

namespace velmora {

namespace {

constexpr std::string_view kAllowedCharacters = "@.-01234567890_abcdefghijklmnopqrstuvwxyz";
constexpr char kSeparator = '#';

bool isBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::vector<std::string> splitAddresses(std::string_view field) {
    std::string text(field);
    for (char& c : text) {
        if (c == ';' || c == ',' || c == ' ') {
            c = kSeparator;
        }
    }
    std::vector<std::string> addresses;
    std::string rest = trimmedControls(text);
    while (!rest.empty()) {
        const std::size_t separator = rest.find(kSeparator);
        if (separator == std::string::npos) {
            addresses.push_back(rest);
            break;
        }
        if (separator > 0) {
            addresses.push_back(rest.substr(0, separator));
        }
        rest = trimmedControls(std::string_view(rest).substr(separator + 1));
    }
    return addresses;
}

bool isAcceptable(std::string_view address) {
    if (address.find_first_not_of(kAllowedCharacters) != std::string_view::npos) {
        return false;
    }
    if (countOccurrences("@", address) != 1) {
        return false;
    }
    const std::size_t at = address.find('@');
    const std::string_view local = address.substr(0, at);
    const std::string_view domain = address.substr(at + 1);
    if (local.size() < 2 || domain.find('.') == std::string_view::npos || domain.size() < 5) {
        return false;
    }
    return domain.size() - domain.rfind('.') - 1 >= 2;
}

}  // namespace

std::string trimmedControls(std::string_view text) {
    while (!text.empty() && isBlankOrControl(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlankOrControl(text.back())) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

std::string checkEmailField(std::string_view field) {
    const std::vector<std::string> addresses = splitAddresses(field);
    for (const auto& address : addresses) {
        if (!isAcceptable(address)) {
            return "ERRO";
        }
    }
    return std::to_string(addresses.size());
}

int countOccurrences(std::string_view sought, std::string_view text) {
    if (sought.empty() || text.empty()) {
        return 0;
    }
    const std::size_t removed = text.size() - replaceAll(text, sought, "").size();
    return static_cast<int>(removed / sought.size());
}

}  // namespace velmora
