#include "common/platform_files.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <climits>
#include <memory>
#include <optional>
#include <string>

#include "common/utf8_path.h"
#include "common/windows_error.h"

namespace velmora::platform {

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// The form of a path that the wide file functions take at any length: past MAX_PATH only the "\\?\" form
// reaches the file (a manifest's longPathAware needs a registry setting as well). That form is taken literally, so
// it is given only to full paths, made plain first.
std::wstring win32Path(const std::filesystem::path& path) {
    std::wstring text = path.wstring();
    constexpr std::size_t kLongestPlain = MAX_PATH - 12;  // CreateDirectoryW's own limit, the lowest
    if (text.size() < kLongestPlain || !path.is_absolute() || text.starts_with(L"\\\\?\\")) {
        return text;
    }
    text = path.lexically_normal().make_preferred().wstring();
    if (text.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + text.substr(2);
    }
    return L"\\\\?\\" + text;
}

// The plain form of what win32Path gave, for a library that cannot take the other one.
std::wstring plainPath(std::wstring text) {
    if (text.starts_with(L"\\\\?\\UNC\\")) {
        return L"\\\\" + text.substr(8);
    }
    if (text.starts_with(L"\\\\?\\")) {
        return text.substr(4);
    }
    return text;
}

// The 8.3 form, where the volume keeps one; else the path as it is.
std::wstring shortPath(const std::filesystem::path& path) {
    const std::wstring full = win32Path(path);
    std::wstring shortName(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetShortPathNameW(full.c_str(), shortName.data(), static_cast<DWORD>(shortName.size()));
        if (length == 0) {
            return path.wstring();
        }
        if (length < shortName.size()) {
            shortName.resize(length);
            return plainPath(shortName);
        }
        shortName.resize(length);
    }
}

// Windows refuses to replace a file that another program holds open with "access denied"; only an attempt to open
// it for deleting tells that apart from a missing permission.
bool heldByAnotherProgram(const std::filesystem::path& file) {
    const HANDLE handle = ::CreateFileW(win32Path(file).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return errnoOfWindowsError(::GetLastError(), 0) == EBUSY;
    }
    const UniqueHandle opened(handle);
    return false;
}

// Runs a C runtime call that gives a negative result when it fails, leaving errno as lastFileError() says.
template <class Call>
auto throughCrt(Call call) {
    clearFileError();
    const auto result = call();
    if (result < 0) {
        errno = lastFileError();
    }
    return result;
}

// The path in the ANSI code page, or nothing when a character has no place in it.
std::optional<std::string> inAnsiCodePage(const std::wstring& path) {
    if (path.empty()) {
        return std::string{};
    }
    BOOL lossy = FALSE;
    const int size = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.data(), static_cast<int>(path.size()),
                                           nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy) {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.data(), static_cast<int>(path.size()), text.data(), size,
                          nullptr, &lossy);
    return lossy ? std::nullopt : std::optional<std::string>(std::move(text));
}

int crtOpen(const std::filesystem::path& path, OpenMode mode) {
    // Binary, or the C runtime would turn every LF into CR LF; not inherited by the updater.
    constexpr int kAlways = _O_BINARY | _O_NOINHERIT;
    const std::wstring file = win32Path(path);
    switch (mode) {
    case OpenMode::Read:
        return ::_wopen(file.c_str(), _O_RDONLY | kAlways);
    case OpenMode::ReadExclusive: {
        int descriptor = -1;
        const errno_t error = ::_wsopen_s(&descriptor, file.c_str(), _O_RDONLY | kAlways, _SH_DENYRW, 0);
        if (error != 0) {
            errno = error;
            return -1;
        }
        return descriptor;
    }
    case OpenMode::WriteExisting:
        return ::_wopen(file.c_str(), _O_WRONLY | kAlways);
    case OpenMode::CreateNew:
        return ::_wopen(file.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | kAlways, _S_IREAD | _S_IWRITE);
    case OpenMode::CreateOrTruncate:
        return ::_wopen(file.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | kAlways, _S_IREAD | _S_IWRITE);
    case OpenMode::Append: {
        // Shared for reading and writing, so that the journal can be looked at while the monitor writes it.
        int descriptor = -1;
        const errno_t error = ::_wsopen_s(&descriptor, file.c_str(), _O_WRONLY | _O_CREAT | _O_APPEND | kAlways,
                                          _SH_DENYNO, _S_IREAD | _S_IWRITE);
        if (error != 0) {
            errno = error;
            return -1;
        }
        return descriptor;
    }
    }
    errno = EINVAL;
    return -1;
}

}  // namespace

std::string pathForCLibrary(const std::filesystem::path& path) {
    // The ANSI functions take no path of MAX_PATH characters or more.
    const auto plain = inAnsiCodePage(path.wstring());
    if (plain && plain->size() < MAX_PATH) {
        return *plain;
    }
    if (auto shortened = inAnsiCodePage(shortPath(path)); shortened && (shortened->size() < MAX_PATH || !plain)) {
        return *shortened;
    }
    return plain ? *plain : utf8Text(path);  // the library will report that it cannot open it
}

std::string temporaryFolderForCLibrary(const std::filesystem::path&) {
    std::wstring folder(MAX_PATH + 1, L'\0');
    const DWORD length = ::GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
    folder.resize(length <= MAX_PATH ? length : 0);
    if (auto text = inAnsiCodePage(shortPath(folder))) {
        return *text;
    }
    return ".";
}

int openFile(const std::filesystem::path& path, OpenMode mode) {
    return throughCrt([&] { return crtOpen(path, mode); });
}

std::FILE* openStreamForReading(const std::filesystem::path& path) {
    clearFileError();
    std::FILE* stream = ::_wfopen(win32Path(path).c_str(), L"rbN");
    if (stream == nullptr) {
        errno = lastFileError();
    }
    return stream;
}

long long readSome(int descriptor, void* buffer, std::size_t size) {
    const auto count = static_cast<unsigned>(size > INT_MAX ? INT_MAX : size);
    return throughCrt([&] { return ::_read(descriptor, buffer, count); });
}

long long writeSome(int descriptor, const void* buffer, std::size_t size) {
    const auto count = static_cast<unsigned>(size > INT_MAX ? INT_MAX : size);
    return throughCrt([&] { return ::_write(descriptor, buffer, count); });
}

std::optional<FileIdentity> fileIdentity(int descriptor) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor));
    BY_HANDLE_FILE_INFORMATION information{};
    if (handle == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(handle, &information)) {
        return std::nullopt;
    }
    return FileIdentity{information.dwVolumeSerialNumber,
                        (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}
long long readAt(int descriptor, long long offset, void* buffer, std::size_t size) {
    if (::_lseeki64(descriptor, offset, SEEK_SET) < 0) {
        return -1;
    }
    return readSome(descriptor, buffer, size);
}

int truncateFile(int descriptor, long long size) { return ::_chsize_s(descriptor, size); }


long long fileSize(int descriptor) {
    return throughCrt([&] { return ::_filelengthi64(descriptor); });
}

int closeDescriptor(int descriptor) { return throughCrt([&] { return ::_close(descriptor); }) == 0 ? 0 : errno; }

int flushToDisk(int descriptor) { return throughCrt([&] { return ::_commit(descriptor); }) == 0 ? 0 : errno; }

int replaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::MoveFileExW(win32Path(from).c_str(), win32Path(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return 0;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_ACCESS_DENIED && (heldByAnotherProgram(to) || heldByAnotherProgram(from))) {
        return EBUSY;
    }
    return errnoOfWindowsError(error, EIO);
}

void removeFile(const std::filesystem::path& path) noexcept { ::DeleteFileW(win32Path(path).c_str()); }

// MOVEFILE_WRITE_THROUGH already waits for the rename to reach the disk.
void flushFolder(const std::filesystem::path&) noexcept {}

void clearFileError() {
    errno = 0;
    _doserrno = 0;
}

int lastFileError() {
    const unsigned long code = _doserrno;
    return code != 0 ? errnoOfWindowsError(code, errno) : errno;
}

int errnoOf(const std::error_code& error) {
    if (error.category() != std::system_category()) {
        return error.value();
    }
    const std::error_condition condition = error.default_error_condition();
    return errnoOfWindowsError(static_cast<unsigned long>(error.value()),
                               condition.category() == std::generic_category() ? condition.value() : EIO);
}

std::string computerName() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
    return ::GetComputerNameW(name, &length) ? utf8Text(std::filesystem::path(std::wstring(name, length)))
                                             : std::string("?");
}

long processNumber() { return static_cast<long>(::GetCurrentProcessId()); }

std::filesystem::path runningProgramFile() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return std::filesystem::path(path);
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace velmora::platform
