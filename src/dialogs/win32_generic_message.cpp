#include "dialogs/win32_generic_message.h"

#include <algorithm>
#include <chrono>

#include "common/clock.h"
#include "dialogs/win32_support.h"

namespace velmora {

namespace {

using namespace win32;

constexpr int kOuterWidth = 540;
constexpr int kOuterHeightPlain = 80;
constexpr int kOuterHeightConfirmation = 200;
constexpr int kPanelHeight = 40;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION;  // no WS_CLIPCHILDREN: the panel leaves its inside to the window
// Often enough that the waiting window never looks hung to the system.
constexpr std::chrono::milliseconds kRepaintEvery{100};

LRESULT CALLBACK messageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == kGenericMessageCheckBox) {
            const bool ticked = IsDlgButtonChecked(window, kGenericMessageCheckBox) == BST_CHECKED;
            EnableWindow(GetDlgItem(window, kGenericMessageOkButton), ticked);
            return 0;
        }
        if (LOWORD(wParam) == kGenericMessageOkButton) {
            DestroyWindow(window);
            return 0;
        }
    }
    if (message == WM_CLOSE) {
        return 0;  // no close box: OK, or the end of the wait, is the only way out
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HFONT messageFont() {
    static const UniqueFont font = createFont(L"Tahoma", -11);
    return font.get();
}

// The design width fits the text in Tahoma; a wider font that stands in for it must not cut the text.
int checkBoxWidth(HWND window, HFONT font, const std::wstring& text) {
    const WindowDc dc(window);
    const SelectedObject fontSelected(dc.get(), font);
    SIZE extent{};
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
    return extent.cx + GetSystemMetrics(SM_CXMENUCHECK) + 8;
}

UniqueWindow createMessageWindow(const std::wstring& text, bool confirmation) {
    static const WindowClass windowClass(L"VelmoraMensagemGenerica", messageWindowProc);
    const SIZE outer{kOuterWidth, confirmation ? kOuterHeightConfirmation : kOuterHeightPlain};
    const POINT origin = centredOrigin(outer, false);
    UniqueWindow window(CreateWindowExW(0, windowClass.name(), L"Aviso do Sistema", kStyle, origin.x, origin.y,
                                        outer.cx, outer.cy, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    if (!window) {
        return window;
    }
    RECT client{};
    GetClientRect(window.get(), &client);
    const int panelTop = client.bottom - kPanelHeight;
    HFONT font = messageFont();
    constexpr DWORD kSibling = WS_CLIPSIBLINGS;
    HWND label = createControl(window.get(), L"STATIC", L"Mensagem Genérica", kSibling | SS_LEFT | SS_NOPREFIX,
                               {8, 16, 517, 72}, kGenericMessageLabel, font);
    const wchar_t* const agreement = L"Estou ciente destas informações.";
    HWND checkBox = createControl(window.get(), L"BUTTON", agreement, kSibling | WS_TABSTOP | BS_AUTOCHECKBOX,
                                  {8, 94, std::max(185, checkBoxWidth(window.get(), font, agreement)), 17},
                                  kGenericMessageCheckBox, font);
    HWND okButton = createControl(window.get(), L"BUTTON", L"OK", kSibling | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON,
                                  {445, panelTop + 7, 75, 25}, kGenericMessageOkButton, font);
    HWND panel = createControl(window.get(), L"STATIC", L"", kSibling | SS_ETCHEDFRAME,
                               {0, panelTop, client.right, kPanelHeight}, kGenericMessagePanel, font);
    // The panel lies under the OK button it carries.
    SetWindowPos(panel, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (!confirmation) {
        for (HWND control : {checkBox, okButton, panel}) {
            ShowWindow(control, SW_HIDE);
        }
    }
    SetWindowTextW(label, text.c_str());
    return window;
}

// Paints what waits to be painted and answers the system, leaving clicks and timer ticks queued for later.
void repaintPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));  // the message loop must still see it
            return;
        }
        DispatchMessageW(&message);
    }
}

}  // namespace

void showWin32GenericMessageWindow(const std::string& text, bool confirmation, bool closeByItself, Clock& clock,
                                   std::chrono::milliseconds shownFor) {
    UniqueWindow window = createMessageWindow(widen(text), confirmation);
    if (window) {
        ShowWindow(window.get(), SW_SHOWNORMAL);
        SetForegroundWindow(window.get());
        if (confirmation) {
            SetFocus(GetDlgItem(window.get(), kGenericMessageCheckBox));
        }
        UpdateWindow(window.get());
    }
    repaintPending();
    if (!closeByItself) {
        static_cast<void>(window.release());  // lives on until OK destroys it, or until the program ends
        return;
    }
    for (std::chrono::milliseconds waited{0}; waited < shownFor; waited += kRepaintEvery) {
        clock.sleep(std::min(kRepaintEvery, shownFor - waited));
        repaintPending();
    }
}

}  // namespace velmora
