#include "update/desktop_shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <memory>

#include "common/wide_text.h"

namespace velmora {

namespace {

// COM for as long as a shortcut is being written; a thread that already has it keeps its own.
class ComScope {
public:
    ComScope() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) {
            ::CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    HRESULT result_;
};

struct ReleaseCom {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <class T>
using ComPtr = std::unique_ptr<T, ReleaseCom>;

struct FreeCoTaskMemory {
    void operator()(wchar_t* text) const { ::CoTaskMemFree(text); }
};

}  // namespace

std::filesystem::path userDesktopFolder() {
    wchar_t* raw = nullptr;
    if (FAILED(::SHGetKnownFolderPath(FOLDERID_Desktop, 0, nullptr, &raw))) {
        ::CoTaskMemFree(raw);
        return {};
    }
    const std::unique_ptr<wchar_t, FreeCoTaskMemory> folder(raw);
    return std::filesystem::path(folder.get());
}

bool writeDesktopShortcut(const std::filesystem::path& file, const std::string&, const std::string& comment,
                          const std::filesystem::path& target) {
    const ComScope com;
    IShellLinkW* rawLink = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&rawLink)))) {
        return false;
    }
    const ComPtr<IShellLinkW> link(rawLink);
    if (FAILED(link->SetPath(target.c_str())) || FAILED(link->SetDescription(widen(comment).c_str()))) {
        return false;
    }
    IPersistFile* rawFile = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&rawFile)))) {
        return false;
    }
    const ComPtr<IPersistFile> persist(rawFile);
    return SUCCEEDED(persist->Save(file.c_str(), FALSE));
}

}  // namespace velmora
