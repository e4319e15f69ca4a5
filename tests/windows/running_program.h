#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velmora::test {

// A Windows program started for a test, with the program folder as its working folder unless another is given;
// ended by force if the test leaves it running.
class RunningProgram {
public:
    // With `workingFolder`, the program starts there; with `output`, its standard output and error go into that
    // file.
    RunningProgram(const std::filesystem::path& program, const std::vector<std::wstring>& arguments = {},
                   const std::filesystem::path& workingFolder = {}, const std::filesystem::path& output = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // The exit code once the program has ended by itself; none when it still runs after `limit`.
    std::optional<DWORD> waitForEnd(std::chrono::seconds limit);
    // The text of the first generic message window of the program whose text holds `part`; none when no such
    // window showed within `limit` or the program ended first.
    std::optional<std::wstring> waitForNotice(const std::wstring& part, std::chrono::seconds limit);
    // The first column of the grid (list view) in the program's main window of class `windowClass`, read out of
    // the program's own memory; empty while there is no such window or it has no rows.
    std::vector<std::wstring> gridFirstColumn(const std::wstring& windowClass);

private:
    PROCESS_INFORMATION process_{};
    HANDLE output_ = INVALID_HANDLE_VALUE;
};

}  // namespace velmora::test
