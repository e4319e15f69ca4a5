#include "update/process_launcher.h"

#include <windows.h>

#include <string>

#include "common/wide_text.h"

namespace velmora {

namespace {

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

}  // namespace

// Detached from this program's console and window, with no handle inherited: the updater replaces this
// program's file and must not keep anything of it open.
void DetachedProcessLauncher::startDetached(const std::filesystem::path& program,
                                            const std::vector<std::string>& arguments) {
    std::wstring commandLine;
    appendWord(commandLine, program.wstring());
    for (const auto& argument : arguments) {
        appendWord(commandLine, widen(argument));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                         DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr, &startup, &started)) {
        ::CloseHandle(started.hThread);
        ::CloseHandle(started.hProcess);
    }
}

}  // namespace velmora
