#include "windows/running_program.h"

#include <commctrl.h>

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

bool isWindowOf(HWND window, DWORD processId, const std::wstring& windowClass) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[64] = {};
    GetClassNameW(window, className, static_cast<int>(std::size(className)));
    return owner == processId && windowClass == className;
}

BOOL CALLBACK lookAtWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<NoticeSearch*>(parameter);
    if (!isWindowOf(window, search.processId, L"VelmoraMensagemGenerica") || !IsWindowVisible(window)) {
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

struct MainWindowSearch {
    DWORD processId;
    const std::wstring& windowClass;
    HWND found = nullptr;
};

BOOL CALLBACK lookForMainWindow(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<MainWindowSearch*>(parameter);
    if (isWindowOf(window, search.processId, search.windowClass)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

// Memory in another process, for messages whose pointers the receiving window writes through.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, std::size_t size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {
        if (address_ == nullptr) {
            throw std::runtime_error("no memory in the program's process");
        }
    }
    ~RemoteMemory() { VirtualFreeEx(process_, address_, 0, MEM_RELEASE); }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    char* address() const { return static_cast<char*>(address_); }

private:
    HANDLE process_;
    void* address_;
};

}  // namespace

RunningProgram::RunningProgram(const std::filesystem::path& program, const std::vector<std::wstring>& arguments,
                               const std::filesystem::path& workingFolder, const std::filesystem::path& output) {
    std::wstring commandLine = quoted(program.wstring());
    for (const std::wstring& argument : arguments) {
        commandLine += L" " + quoted(argument);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!output.empty()) {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        output_ = CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output_ == INVALID_HANDLE_VALUE) {
            throw std::runtime_error("the program's output file could not be created");
        }
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output_;
        startup.hStdError = output_;
    }
    const std::wstring folder = (workingFolder.empty() ? program.parent_path() : workingFolder).wstring();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, output.empty() ? FALSE : TRUE, 0,
                        nullptr, folder.c_str(), &startup, &process_)) {
        if (output_ != INVALID_HANDLE_VALUE) {
            CloseHandle(output_);
        }
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
    if (output_ != INVALID_HANDLE_VALUE) {
        CloseHandle(output_);
    }
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

std::vector<std::wstring> RunningProgram::gridFirstColumn(const std::wstring& windowClass) {
    MainWindowSearch search{process_.dwProcessId, windowClass};
    EnumWindows(lookForMainWindow, reinterpret_cast<LPARAM>(&search));
    const HWND grid = search.found != nullptr ? FindWindowExW(search.found, nullptr, WC_LISTVIEWW, nullptr) : nullptr;
    if (grid == nullptr) {
        return {};
    }
    const auto rows = static_cast<int>(SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0));
    constexpr int kTextLength = 512;
    RemoteMemory remote(process_.hProcess, sizeof(LVITEMW) + kTextLength * sizeof(wchar_t));
    std::vector<std::wstring> texts;
    for (int row = 0; row < rows; ++row) {
        LVITEMW item{};
        item.cchTextMax = kTextLength;
        item.pszText = reinterpret_cast<LPWSTR>(remote.address() + sizeof(LVITEMW));
        wchar_t text[kTextLength] = {};
        DWORD_PTR ignored = 0;
        if (!WriteProcessMemory(process_.hProcess, remote.address(), &item, sizeof item, nullptr) ||
            SendMessageTimeoutW(grid, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                reinterpret_cast<LPARAM>(remote.address()), SMTO_ABORTIFHUNG, 5000, &ignored) == 0 ||
            !ReadProcessMemory(process_.hProcess, item.pszText, text, sizeof text - sizeof(wchar_t), nullptr)) {
            throw std::runtime_error("the grid of the program could not be read");
        }
        texts.emplace_back(text);
    }
    return texts;
}

}  // namespace velmora::test
