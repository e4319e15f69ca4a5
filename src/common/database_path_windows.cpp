#include "common/database_path.h"

#include <windows.h>

#include "common/wide_text.h"

namespace velmora::platform {

std::optional<std::string> ansiCodePageText(std::string_view utf8) {
    if (::GetACP() == CP_UTF8) {
        return std::string(utf8);
    }
    const std::wstring wide = widen(utf8);
    if (wide.empty()) {
        return std::string{};
    }
    const int length = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    // No best fit: "Ł" must not quietly become "L" and name another folder.
    const int size =
        ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0, nullptr, &lossy);
    if (size <= 0 || lossy) {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, text.data(), size, nullptr, &lossy);
    // And back, so that only a text that names the same file is taken.
    std::wstring back(wide.size() + 1, L'\0');
    const int backLength =
        ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, back.data(), static_cast<int>(back.size()));
    back.resize(static_cast<std::size_t>(backLength > 0 ? backLength : 0));
    if (lossy || back != wide) {
        return std::nullopt;
    }
    return text;
}

}  // namespace velmora::platform
