#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace velmora {

// An INI file read the way the Windows profile functions read it: names compared without ASCII case,
// the first occurrence of a key in the first section of that name wins, values trimmed and freed of one
// pair of enclosing quotes, ';' a comment only at the start of a line. A file that is missing or cannot
// be read behaves as an empty one. Text is Windows-1252 unless a byte-order mark says otherwise or the file is
// valid UTF-8 (saved by a UTF-8 editor).
class IniFile {
public:
    explicit IniFile(const std::filesystem::path& path);

    // UTF-8 value, or defaultValue without its trailing blanks (as the profile functions return it).
    std::string readString(std::string_view section, std::string_view key, std::string_view defaultValue = {}) const;

private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

}  // namespace velmora
