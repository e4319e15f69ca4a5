#include "update/update_paths.h"

#include <filesystem>

#include "common/text.h"

namespace velmora {

namespace {
constexpr char kSeparator = static_cast<char>(std::filesystem::path::preferred_separator);
constexpr std::string_view kExe = ".exe";
}  // namespace

std::optional<std::string> updateFolderFor(std::string_view serverIniPath) {
    std::optional<std::size_t> last;
    std::optional<std::size_t> secondToLast;
    for (std::size_t i = 0; i + 1 < serverIniPath.size(); ++i) {
        if (serverIniPath[i] == kSeparator) {
            secondToLast = last;
            last = i;
        }
    }
    if (!secondToLast) {
        return std::nullopt;
    }
    return std::string(serverIniPath.substr(0, *secondToLast + 1)) + "Update";
}

std::string commandLineForm(std::string_view folder) { return replaceAll(folder, " ", "§"); }

std::string updaterCommandLine(std::string_view updateFolder, std::string_view programFolder,
                               std::string_view programFileName) {
    return "@F1 @M" + commandLineForm(updateFolder) + " @E" + commandLineForm(programFolder) + " @A" +
           std::string(programFileName);
}

std::vector<std::string> commandLineWords(std::string_view commandLine) {
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < commandLine.size()) {
        const std::size_t blank = commandLine.find(' ', start);
        const std::size_t end = blank == std::string_view::npos ? commandLine.size() : blank;
        if (end > start) {
            words.emplace_back(commandLine.substr(start, end - start));
        }
        start = end + 1;
    }
    return words;
}

std::string execMarkerFileName(std::string_view programFileName) { return "Exec-" + std::string(programFileName); }

std::string execMarkerIniFileName(std::string_view programFileName) {
    // A name without ".exe" (the program file here) would give the marker itself; the INI then gets the suffix.
    if (programFileName.find(kExe) == std::string_view::npos) {
        return execMarkerFileName(programFileName) + ".ini";
    }
    return "Exec-" + replaceAll(programFileName, kExe, ".ini");
}

std::string withoutExeExtension(std::string_view programFileName) {
    if (programFileName.ends_with(kExe)) {
        programFileName.remove_suffix(kExe.size());
    }
    return std::string(programFileName);
}

std::string nameUpToFirstStop(std::string_view programFileName) {
    return std::string(programFileName.substr(0, programFileName.find('.')));
}

std::string desktopShortcutFileName(std::string_view programFileName) {
#ifdef _WIN32
    return "Novo " + withoutExeExtension(programFileName) + ".lnk";
#else
    return "Novo " + withoutExeExtension(programFileName) + ".desktop";
#endif
}

}  // namespace velmora
