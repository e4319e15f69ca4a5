#include "windows/running_program.h"

#include <stdexcept>

namespace velmora::test {

namespace {

constexpr int kNoticeLabelId = 101;  // the generic message window's text

struct NoticeSearch {
    DWORD processId;
    std::wstring part;
    std::optional<std::wstring> found;
};

std::wstring windowText(HWND window) {
    wchar_t text[2048] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                        &ignored);
    return text;
}

BOOL CALLBACK lookAtWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<NoticeSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[64] = {};
    GetClassNameW(window, className, static_cast<int>(std::size(className)));
    if (owner != search.processId || std::wstring(className) != L"VelmoraMensagemGenerica" ||
        !IsWindowVisible(window)) {
        return TRUE;
    }
    const HWND label = GetDlgItem(window, kNoticeLabelId);
    const std::wstring text = label != nullptr ? windowText(label) : std::wstring();
    if (text.find(search.part) != std::wstring::npos) {
        search.found = text;
        return FALSE;
    }
    return TRUE;
}

std::wstring quoted(const std::wstring& word) { return L"\"" + word + L"\""; }

}  // namespace

RunningProgram::RunningProgram(const std::filesystem::path& program, const std::vector<std::wstring>& arguments,
                               const std::filesystem::path& workingFolder) {
    std::wstring commandLine = quoted(program.wstring());
    for (const std::wstring& argument : arguments) {
        commandLine += L" " + quoted(argument);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const std::wstring folder = (workingFolder.empty() ? program.parent_path() : workingFolder).wstring();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process_)) {
        throw std::runtime_error("the program could not be started");
    }
}

RunningProgram::~RunningProgram() {
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 10000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

std::optional<DWORD> RunningProgram::waitForEnd(std::chrono::seconds limit) {
    if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(limit.count() * 1000)) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

std::optional<std::wstring> RunningProgram::waitForNotice(const std::wstring& part, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        NoticeSearch search{process_.dwProcessId, part, std::nullopt};
        EnumWindows(lookAtWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            return search.found;
        }
        if (WaitForSingleObject(process_.hProcess, 100) == WAIT_OBJECT_0) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace velmora::test
