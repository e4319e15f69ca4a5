#pragma once

#include <filesystem>
#include <string>

#include "support/erp_installation.h"

namespace velmora::test {

// The server's update folder of an installation: beside its data folder.
std::filesystem::path updateFolderOf(const ErpInstallation& erp);

// A stand-in for the updater: a script that notes, beside itself, its session id (updater-session.txt), the
// files it holds open (updater-files.txt) and, last, the words it was started with, one a line
// (updater-arguments.txt, which appears whole).
void writeStandInUpdater(const std::filesystem::path& file);
std::filesystem::path updaterArgumentsFile(const std::filesystem::path& updateFolder);

// A copy of `program` in `folder` carrying the same last-write time: the installed version is current.
void copyWithSameTime(const std::filesystem::path& program, const std::filesystem::path& folder);

// The update folder as a current installation has it: the program's copy and the stand-in updater.
void provideUpdateFolder(const ErpInstallation& erp);

}  // namespace velmora::test
