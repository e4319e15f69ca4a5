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
    RunningProgram(const std::filesystem::path& program, const std::vector<std::wstring>& arguments = {},
                   const std::filesystem::path& workingFolder = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // The exit code once the program has ended by itself; none when it still runs after `limit`.
    std::optional<DWORD> waitForEnd(std::chrono::seconds limit);
    // The text of the first generic message window of the program whose text holds `part`; none when no such
    // window showed within `limit` or the program ended first.
    std::optional<std::wstring> waitForNotice(const std::wstring& part, std::chrono::seconds limit);

private:
    PROCESS_INFORMATION process_{};
};

}  // namespace velmora::test
