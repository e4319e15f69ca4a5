#include "update/desktop_shortcut.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string_view>
#include <system_error>

namespace velmora {

namespace fs = std::filesystem;

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

fs::path homeFolder() {
    std::string home = environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
            home = entry->pw_dir;
        }
    }
    return home;
}

// The value of XDG_DESKTOP_DIR="..." as the shell would read it; empty when the line is something else.
std::string desktopEntryValue(std::string_view line, const fs::path& home) {
    constexpr std::string_view kKey = "XDG_DESKTOP_DIR=";
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos || line.substr(start, kKey.size()) != kKey) {
        return {};
    }
    std::string_view quoted = line.substr(start + kKey.size());
    if (quoted.size() < 2 || quoted.front() != '"') {
        return {};
    }
    quoted.remove_prefix(1);
    std::string value;
    for (std::size_t i = 0; i < quoted.size() && quoted[i] != '"'; ++i) {
        if (quoted[i] == '\\' && i + 1 < quoted.size()) {
            ++i;
        }
        value += quoted[i];
    }
    constexpr std::string_view kHome = "$HOME";
    if (value.starts_with(kHome)) {
        std::string rest = value.substr(kHome.size());
        while (!rest.empty() && rest.front() == '/') {
            rest.erase(0, 1);
        }
        return rest.empty() ? home.string() : (home / rest).string();
    }
    return value.starts_with('/') ? value : std::string();
}

// The escapes that every string value of a desktop entry has.
std::string escapedValue(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
            case '\\': escaped += "\\\\"; break;
            case '\n': escaped += "\\n"; break;
            case '\t': escaped += "\\t"; break;
            case '\r': escaped += "\\r"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

}  // namespace

fs::path desktopFolderOf(const fs::path& home, const fs::path& configHome) {
    std::ifstream dirs(configHome / "user-dirs.dirs");
    std::string line;
    std::string found;
    while (std::getline(dirs, line)) {
        if (std::string value = desktopEntryValue(line, home); !value.empty()) {
            found = std::move(value);  // the shell keeps the last assignment
        }
    }
    return found.empty() ? home / "Desktop" : fs::path(found);
}

fs::path userDesktopFolder() {
    const fs::path home = homeFolder();
    std::string config = environment("XDG_CONFIG_HOME");
    return desktopFolderOf(home, config.empty() ? home / ".config" : fs::path(config));
}

std::string desktopExecValue(const fs::path& target) {
    std::string quoted = "\"";
    for (const char c : target.string()) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
        if (c == '%') {
            quoted += '%';
        }
    }
    quoted += '"';
    return escapedValue(quoted);
}

bool writeDesktopShortcut(const fs::path& file, const std::string& name, const std::string& comment,
                          const fs::path& target) {
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << "[Desktop Entry]\n"
            << "Type=Application\n"
            << "Name=" << escapedValue(name) << "\n"
            << "Comment=" << escapedValue(comment) << "\n"
            << "Exec=" << desktopExecValue(target) << "\n"
            << "Terminal=false\n";
        out.close();
        if (!out) {
            return false;
        }
    }
    std::error_code ignored;
    fs::permissions(file, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ignored);
    return true;
}

}  // namespace velmora
