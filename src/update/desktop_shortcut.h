#pragma once

#include <filesystem>
#include <string>

namespace velmora {

// The current user's desktop folder: on Windows the shell's; on Linux XDG_DESKTOP_DIR of the user-dirs file, else
// "Desktop" in the home folder.
std::filesystem::path userDesktopFolder();

// Writes (or overwrites) a launcher of `target`: a shell link on Windows, a freedesktop entry (executable, so that
// desktops trust it) on Linux. False when it could not be written.
bool writeDesktopShortcut(const std::filesystem::path& file, const std::string& name, const std::string& comment,
                          const std::filesystem::path& target);

#ifndef _WIN32
// The desktop folder for a given home folder and configuration folder (where user-dirs.dirs lives).
std::filesystem::path desktopFolderOf(const std::filesystem::path& home, const std::filesystem::path& configHome);

// The Exec value that starts `target` with no arguments, quoted and escaped for a desktop entry.
std::string desktopExecValue(const std::filesystem::path& target);
#endif

}  // namespace velmora
