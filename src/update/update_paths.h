#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

inline constexpr const char* kUpdaterFileName = "velmoraAtualizador.exe";
inline constexpr const char* kDebugMarkerFileName = "DebugarDelphi.tmp";

// The folder "Update" beside the server data folder: the server INI path up to and including its
// second-to-last separator (the last character not counted), + "Update". None when the path has fewer
// separators than that.
std::optional<std::string> updateFolderFor(std::string_view serverIniPath);

// A folder as the updater's command line carries it: blanks become "§", so every word stays one word.
std::string commandLineForm(std::string_view folder);

// "@F1 @M<update folder> @E<program folder> @A<program file name>"; the folders in command-line form, the
// file name as it is.
std::string updaterCommandLine(std::string_view updateFolder, std::string_view programFolder,
                               std::string_view programFileName);

// The words of a command line, split at blanks the way a Windows program reads its own.
std::vector<std::string> commandLineWords(std::string_view commandLine);

// Marker files of a fresh installation in the program folder.
std::string execMarkerFileName(std::string_view programFileName);     // "Exec-" + name
std::string execMarkerIniFileName(std::string_view programFileName);  // its ".ini" twin

// The program file name without its ".exe" (names without it stay as they are).
std::string withoutExeExtension(std::string_view programFileName);
// The name as the new-version notice shows it: up to its first full stop.
std::string nameUpToFirstStop(std::string_view programFileName);
// "Novo <name>.lnk" on Windows, "Novo <name>.desktop" on Linux: the launcher put on the user's desktop.
std::string desktopShortcutFileName(std::string_view programFileName);

}  // namespace velmora
