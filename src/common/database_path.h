#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The database path as a client older than Firebird 2.5 takes it: in the system's ANSI code page. Throws
// DatabaseError naming the path when that code page cannot spell it, rather than let the client open another file.
std::string databasePathForAnsiClient(const std::string& utf8Path, const std::string& clientDescription);

namespace platform {
// The text in the system's ANSI code page (Windows), or nothing when a character has no exact form there. Where
// file names are UTF-8 bytes (Linux), the text itself.
std::optional<std::string> ansiCodePageText(std::string_view utf8);
}  // namespace platform

}  // namespace velmora
