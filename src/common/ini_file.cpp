#include "common/ini_file.h"

#include <set>
#include <stdexcept>

#include "common/text.h"
#include "common/text_encoding.h"
#include "common/text_file.h"

namespace velmora {

namespace {

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string readFileOrNothing(const std::filesystem::path& path) {
    try {
        return readTextFilePreferringUtf8(path);
    } catch (const std::runtime_error&) {
        return {};
    }
}

}  // namespace

// The lines are split here rather than by libinih: its build strips " ;..." from values, takes ':' as a
// separator, joins indented lines to the previous value and cuts lines at 200 bytes, all unlike Windows.
IniFile::IniFile(const std::filesystem::path& path) {
    std::set<std::string> sectionsSeen;
    std::string section;
    bool sectionWanted = false;  // keys before any section, and in repeated sections, are never found
    for (const auto& rawLine : splitLines(readFileOrNothing(path))) {
        const std::string line = trimmed(rawLine);
        if (line.empty() || line.front() == ';') {
            continue;
        }
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close == std::string::npos) {
                continue;
            }
            section = toLowerAscii(trimmed(line.substr(1, close - 1)));
            sectionWanted = sectionsSeen.insert(section).second;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!sectionWanted || equals == std::string::npos) {
            continue;
        }
        const std::string key = trimmed(std::string_view(line).substr(0, equals));
        const std::string value = trimmed(std::string_view(line).substr(equals + 1));
        values_.try_emplace({section, toLowerAscii(key)}, unquote(value));
    }
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view defaultValue) const {
    const auto found = values_.find({toLowerAscii(section), toLowerAscii(key)});
    if (found != values_.end()) {
        return found->second;
    }
    const std::size_t last = defaultValue.find_last_not_of(' ');
    return std::string(last == std::string_view::npos ? std::string_view{} : defaultValue.substr(0, last + 1));
}

}  // namespace velmora
