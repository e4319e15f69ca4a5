#include "update/process_launcher.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "common/wide_text.h"
#include "common/windows_error.h"

namespace velmora {

namespace {

constexpr DWORD kElevationRequired = 740;  // ERROR_ELEVATION_REQUIRED, which MinGW's headers lack

// One word of a command line as the C runtime of the started program splits it again: quoted when it holds a
// blank or a quote, backslashes doubled only where they precede a quote.
void appendWord(std::wstring& line, const std::wstring& word) {
    if (!line.empty()) {
        line += L' ';
    }
    if (!word.empty() && word.find_first_of(L" \t\"") == std::wstring::npos) {
        line += word;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : word) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

// A program whose manifest asks for an administrator is started through the shell, which asks the user.
DWORD startElevated(const std::filesystem::path& program, const std::wstring& arguments) {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    execute.lpVerb = L"runas";
    execute.lpFile = program.c_str();
    execute.lpParameters = arguments.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!::ShellExecuteExW(&execute)) {
        return ::GetLastError();
    }
    if (execute.hProcess != nullptr) {
        ::CloseHandle(execute.hProcess);
    }
    return ERROR_SUCCESS;
}

}  // namespace

// Detached from this program's console and window, with no handle inherited: the updater replaces this
// program's file and must not keep anything of it open.
void DetachedProcessLauncher::startDetached(const std::filesystem::path& program,
                                            const std::vector<std::string>& arguments) {
    std::wstring argumentLine;
    for (const auto& argument : arguments) {
        appendWord(argumentLine, widen(argument));
    }
    std::wstring commandLine;
    appendWord(commandLine, program.wstring());
    if (!argumentLine.empty()) {
        commandLine += L' ' + argumentLine;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                         DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &started)) {
        ::CloseHandle(started.hThread);
        ::CloseHandle(started.hProcess);
        return;
    }
    DWORD error = ::GetLastError();
    if (error == kElevationRequired) {
        error = startElevated(program, argumentLine);
    }
    if (error != ERROR_SUCCESS) {
        throw ProgramStartError(program, platform::windowsErrorReason(error));
    }
}

}  // namespace velmora
