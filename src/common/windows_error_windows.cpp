#include "common/windows_error.h"

#include <windows.h>

#include <cerrno>
#include <string>

#include "common/file_error.h"
#include "common/wide_text.h"

namespace velmora::platform {

int errnoOfWindowsError(unsigned long code, int otherwise) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return EBUSY;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_NOT_READY:
    case ERROR_CRC:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
        return EIO;
    case ERROR_UNEXP_NET_ERR:
        return ENETRESET;
    case ERROR_NETNAME_DELETED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_VC_DISCONNECTED:
        return ECONNRESET;
    case ERROR_CONNECTION_ABORTED:
        return ECONNABORTED;
    case ERROR_NOT_CONNECTED:
        return ENOTCONN;
    case ERROR_NO_NETWORK:
        return ENETDOWN;
    case ERROR_SEM_TIMEOUT:
    case ERROR_NETWORK_BUSY:
    case ERROR_TIMEOUT:
        return ETIMEDOUT;
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_REM_NOT_LIST:
    case ERROR_HOST_UNREACHABLE:
        return EHOSTUNREACH;
    case ERROR_NETWORK_UNREACHABLE:
        return ENETUNREACH;
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_BAD_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
        return ENOEXEC;
    case ERROR_CANCELLED:
        return ECANCELED;
    default:
        return otherwise;
    }
}

std::string windowsErrorReason(unsigned long code) {
    if (const int mapped = errnoOfWindowsError(code, 0); mapped != 0) {
        return fileErrorReason(mapped);
    }
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring said(text != nullptr ? text : L"", length);
    ::LocalFree(text);
    said.erase(said.find_last_not_of(L". \r\n") + 1);  // npos + 1 empties it
    const std::string number = "erro " + std::to_string(code) + " do Windows";
    return said.empty() ? number : narrow(said) + " (" + number + ")";
}

}  // namespace velmora::platform
