#pragma once

// Small pieces the Win32 windows share: owning handles, UTF-8 to UTF-16, fonts, placement.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

#include "common/wide_text.h"

namespace velmora::win32 {

template <typename Handle, auto Release>
struct HandleReleaser {
    void operator()(Handle handle) const { Release(handle); }
};

template <typename Handle, auto Release>
using UniqueHandle = std::unique_ptr<std::remove_pointer_t<Handle>, HandleReleaser<Handle, Release>>;

inline void destroyWindow(HWND window) { DestroyWindow(window); }
inline void deleteGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void destroyIcon(HICON icon) { DestroyIcon(icon); }
inline void destroyMenu(HMENU menu) { DestroyMenu(menu); }
inline void deleteDc(HDC dc) { DeleteDC(dc); }
inline void destroyImageList(HIMAGELIST list) { ImageList_Destroy(list); }

using UniqueWindow = UniqueHandle<HWND, destroyWindow>;
using UniqueFont = UniqueHandle<HFONT, deleteGdiObject>;
using UniqueBitmap = UniqueHandle<HBITMAP, deleteGdiObject>;
using UniqueIcon = UniqueHandle<HICON, destroyIcon>;
using UniqueMenu = UniqueHandle<HMENU, destroyMenu>;
using UniqueDc = UniqueHandle<HDC, deleteDc>;
using UniqueImageList = UniqueHandle<HIMAGELIST, destroyImageList>;

// Puts the DC's previous object back, so that the DC can be deleted with its own objects.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() { SelectObject(dc_, previous_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A window's device context, given back when it goes.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_ != nullptr) {
            ReleaseDC(window_, dc_);
        }
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;

    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// The painting of one WM_PAINT, ended when it goes.
class Painting {
public:
    explicit Painting(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~Painting() { EndPaint(window_, &paint_); }
    Painting(const Painting&) = delete;
    Painting& operator=(const Painting&) = delete;

    HDC get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

inline std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A negative height is the character height in pixels, as the forms give their fonts.
inline UniqueFont createFont(const wchar_t* face, int height, bool bold = false) {
    return UniqueFont(CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS,
                                  face));
}

// Left, top, width, height, as the layouts are given.
struct Box {
    int left;
    int top;
    int width;
    int height;
};

inline HWND createControl(HWND parent, const wchar_t* windowClass, const std::wstring& text, DWORD style, Box box,
                          int id, HFONT font, DWORD extendedStyle = 0) {
    HWND control = CreateWindowExW(extendedStyle, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, box.left,
                                   box.top, box.width, box.height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                   nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

// The outer size of a window whose client area has the given size.
inline SIZE outerSize(int clientWidth, int clientHeight, DWORD style, DWORD extendedStyle) {
    RECT frame{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, extendedStyle);
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

// Top left corner that centres a window of this outer size on the primary screen, or on its work area.
inline POINT centredOrigin(SIZE outer, bool workAreaOnly) {
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (workAreaOnly) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    return POINT{area.left + (area.right - area.left - outer.cx) / 2,
                 area.top + (area.bottom - area.top - outer.cy) / 2};
}

// Registered once per process; the class goes away when the program ends.
class WindowClass {
public:
    WindowClass(const wchar_t* name, WNDPROC procedure, HICON icon = nullptr) : name_(name) {
        WNDCLASSEXW definition{};
        definition.cbSize = sizeof(definition);
        definition.lpfnWndProc = procedure;
        definition.hInstance = GetModuleHandleW(nullptr);
        definition.hIcon = icon;
        definition.hCursor = LoadCursorW(nullptr, reinterpret_cast<const wchar_t*>(IDC_ARROW));
        definition.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
        definition.lpszClassName = name;
        RegisterClassExW(&definition);
    }
    ~WindowClass() { UnregisterClassW(name_, GetModuleHandleW(nullptr)); }
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;

    const wchar_t* name() const { return name_; }

private:
    const wchar_t* name_;
};

inline void initCommonControls() {
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
}

}  // namespace velmora::win32
