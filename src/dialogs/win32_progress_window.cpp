#include "dialogs/win32_progress_window.h"

#include <algorithm>

namespace velmora {

namespace {

using namespace win32;

constexpr int kClientWidth = 330;
constexpr int kClientHeight = 96;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExtendedStyle = WS_EX_DLGMODALFRAME;
constexpr DWORD kLabelStyle = SS_LEFTNOWORDWRAP | SS_NOPREFIX;
constexpr UINT_PTR kGaugeSubclassId = 1;

void drawClipped(HDC dc, const std::wstring& text, POINT at, RECT clip, COLORREF colour) {
    SetTextColor(dc, colour);
    ExtTextOutW(dc, at.x, at.y, ETO_CLIPPED, &clip, text.c_str(), static_cast<UINT>(text.size()), nullptr);
}

// The bar as the control draws it, with the percentage over it: light on the filled part, dark on the rest.
void paintGauge(HWND gauge, HDC target, HFONT font) {
    RECT client{};
    GetClientRect(gauge, &client);
    UniqueDc memory(CreateCompatibleDC(target));
    UniqueBitmap bitmap(CreateCompatibleBitmap(target, client.right, client.bottom));
    if (!memory || !bitmap) {
        return;
    }
    const SelectedObject bitmapSelected(memory.get(), bitmap.get());
    SendMessageW(gauge, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT | PRF_ERASEBKGND);

    const int percent = static_cast<int>(SendMessageW(gauge, PBM_GETPOS, 0, 0));
    const std::wstring text = std::to_wstring(percent) + L"%";
    const SelectedObject fontSelected(memory.get(), font);
    SIZE extent{};
    GetTextExtentPoint32W(memory.get(), text.c_str(), static_cast<int>(text.size()), &extent);
    const POINT at{(client.right - extent.cx) / 2, (client.bottom - extent.cy) / 2};
    RECT filled = client;
    filled.right = client.right * percent / 100;
    RECT empty = client;
    empty.left = filled.right;
    SetBkMode(memory.get(), TRANSPARENT);
    drawClipped(memory.get(), text, at, filled, GetSysColor(COLOR_HIGHLIGHTTEXT));
    drawClipped(memory.get(), text, at, empty, GetSysColor(COLOR_WINDOWTEXT));
    BitBlt(target, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
}

LRESULT CALLBACK gaugeProc(HWND gauge, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR font) {
    switch (message) {
    case WM_PAINT:
        if (wParam != 0) {
            paintGauge(gauge, reinterpret_cast<HDC>(wParam), reinterpret_cast<HFONT>(font));
        } else {
            const Painting painting(gauge);
            paintGauge(gauge, painting.get(), reinterpret_cast<HFONT>(font));
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the whole bar is painted at once, without flicker
    case WM_NCDESTROY:
        RemoveWindowSubclass(gauge, gaugeProc, kGaugeSubclassId);
        break;
    default:
        break;
    }
    return DefSubclassProc(gauge, message, wParam, lParam);
}

}  // namespace

Win32ProgressWindow::Win32ProgressWindow() : font_(createFont(L"MS Sans Serif", -11)) { initCommonControls(); }

Win32ProgressWindow::~Win32ProgressWindow() { closeProgress(); }

LRESULT CALLBACK Win32ProgressWindow::formProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message == WM_CLOSE) {
        self->closeProgress();
        return 0;
    }
    if (self != nullptr && message == WM_NCDESTROY && self->form_.get() == window) {
        static_cast<void>(self->form_.release());  // destroyed from outside: already gone
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Win32ProgressWindow::openProgress() {
    // A window left open by an earlier run would otherwise stay on screen with nobody to close it.
    closeProgress();
    static const WindowClass windowClass(L"VelmoraProgressoGeral", formProc);
    const SIZE outer = outerSize(kClientWidth, kClientHeight, kStyle, kExtendedStyle);
    const POINT origin = centredOrigin(outer, false);
    form_.reset(CreateWindowExW(kExtendedStyle, windowClass.name(), L"frmProgressoGeral", kStyle, origin.x, origin.y,
                                outer.cx, outer.cy, nullptr, nullptr, GetModuleHandleW(nullptr), this));
    if (!form_) {
        return;
    }
    HWND form = form_.get();
    createControl(form, L"STATIC", L"lblTitulo", kLabelStyle, {18, 16, 297, 13}, kProgressTitle, font_.get());
    HWND gauge = createControl(form, PROGRESS_CLASSW, L"", 0, {18, 38, 297, 20}, kProgressGauge, font_.get());
    createControl(form, L"STATIC", L"lblRodape", kLabelStyle, {18, 72, 297, 13}, kProgressFooter, font_.get());
    // The bar itself only ever sees the percentage.
    SendMessageW(gauge, PBM_SETRANGE32, 0, 100);
    SetWindowSubclass(gauge, gaugeProc, kGaugeSubclassId, reinterpret_cast<DWORD_PTR>(font_.get()));
    gauge_ = GaugeRange{};
    showGauge();

    ShowWindow(form, SW_SHOWNORMAL);
    SetForegroundWindow(form);
    BringWindowToTop(form);
    UpdateWindow(form);
}

void Win32ProgressWindow::startProgress(const std::string& caption, const std::string& title,
                                        const std::string& footer, int minimum, int maximum) {
    if (!form_) {
        return;
    }
    SetWindowTextW(form_.get(), widen(caption).c_str());
    setLabel(kProgressTitle, title);
    setLabel(kProgressFooter, footer);

    // Emptying the gauge first lets any new range apply, whatever the old one was.
    gauge_.setProgress(0);
    gauge_.setMinValue(0);
    gauge_.setMaxValue(0);
    showGauge();
    gauge_.setMaxValue(maximum);
    gauge_.setMinValue(minimum);
    showGauge();
}

void Win32ProgressWindow::advanceProgress() {
    if (form_) {
        gauge_.setProgress(static_cast<long long>(gauge_.progress()) + 1);
        showGauge();
    }
}

void Win32ProgressWindow::closeProgress() { form_.reset(); }

void Win32ProgressWindow::showGauge() {
    if (HWND gauge = GetDlgItem(form_.get(), kProgressGauge)) {
        SendMessageW(gauge, PBM_SETPOS, static_cast<WPARAM>(gauge_.percentDone()), 0);
        RedrawWindow(gauge, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }
}

void Win32ProgressWindow::setLabel(int id, const std::string& text) {
    if (HWND label = GetDlgItem(form_.get(), id)) {
        SetWindowTextW(label, widen(text).c_str());
        UpdateWindow(label);
    }
}

}  // namespace velmora
