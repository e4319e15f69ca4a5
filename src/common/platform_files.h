#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace velmora::platform {

// The few file operations whose system calls differ between POSIX and Windows. Descriptors are the C runtime's
// (binary mode, not inherited by started programs); failures give -1 or an errno value, never throw.

enum class OpenMode {
    Read,
    ReadExclusive,     // on Windows nobody else may open the file meanwhile; POSIX has no such sharing rule
    WriteExisting,     // never creates the file
    CreateNew,         // fails with EEXIST when the file is there
    CreateOrTruncate,
    Append,            // creates the file; every write lands at its end; others may read and write it meanwhile
};

// A descriptor, or -1 with errno set.
int openFile(const std::filesystem::path& path, OpenMode mode);
// A C stream for binary reading (for libraries that read through one), or null with errno set.
std::FILE* openStreamForReading(const std::filesystem::path& path);
// The name by which a C library that opens files with fopen (libxlsxwriter) reaches an existing file: on Windows
// the ANSI code page's form, or the short name where that cannot spell it.
std::string pathForCLibrary(const std::filesystem::path& path);
// Where such a library keeps its temporary files for a file written in `besideFolder`: that folder itself, so that
// a small temporary folder cannot fill up; on Windows the temporary folder's short form, since the library's ANSI
// file functions cannot reach past MAX_PATH and the folder of the file may be that deep.
std::string temporaryFolderForCLibrary(const std::filesystem::path& besideFolder);
// Bytes read or written, or -1 with errno set.
long long readSome(int descriptor, void* buffer, std::size_t size);
long long writeSome(int descriptor, const void* buffer, std::size_t size);
// Bytes read from `offset` on (the descriptor's position may move), or -1 with errno set.
long long readAt(int descriptor, long long offset, void* buffer, std::size_t size);
// Cuts the file back to `size` bytes; 0 or the errno value.
int truncateFile(int descriptor, long long size);
// Size in bytes, or -1 with errno set.
long long fileSize(int descriptor);
// Which file an open descriptor is, to tell whether a descriptor still refers to the file it was opened on (a
// number may be reused once closed; the file's identity is not, while it is open). None when it is not open.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> fileIdentity(int descriptor);
// 0 or the errno value.
int closeDescriptor(int descriptor);
int flushToDisk(int descriptor);
// Renames `from` over `to`, replacing it, as one step; 0 or the errno value.
int replaceFile(const std::filesystem::path& from, const std::filesystem::path& to);
void removeFile(const std::filesystem::path& path) noexcept;
// Makes a rename in the folder durable where the system needs it; best effort.
void flushFolder(const std::filesystem::path& folder) noexcept;
// The errno value of the C runtime call that failed last, also one made inside a C library (libxlsxwriter). On
// Windows it comes from the system's own code, which tells a file held by another program or a lost network
// folder apart where the C runtime says "access denied" or "invalid argument". Clear before the call.
void clearFileError();
int lastFileError();
// The errno value of a std::filesystem error: on Windows its code may be the system's own.
int errnoOf(const std::error_code& error);
// This computer's name and this process's number, to tell one run of a program from another; UTF-8.
std::string computerName();
long processNumber();
// The full path of the program file this process runs.
std::filesystem::path runningProgramFile();

}  // namespace velmora::platform
