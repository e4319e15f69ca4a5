#include "monitor/win32_main_window.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <utility>
#include <vector>

#include "dialogs/win32_generic_message.h"

namespace velmora {

namespace {

using namespace win32;

constexpr wchar_t kTitle[] = L"velmora Monitor Publicação";
constexpr int kClientWidth = 656;
constexpr int kClientHeight = 365;
// Without WS_CLIPCHILDREN: a group box leaves its inside for the parent to paint.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr UINT kCycleIntervalMs = 60000;
constexpr UINT kDisconnectIntervalMs = 5000;
constexpr UINT kTrayRetryIntervalMs = 10000;
constexpr UINT kDisconnectTickMessage = WM_APP + 1;
constexpr UINT kRestoreSelectionMessage = WM_APP + 2;
constexpr int kRowHeight = 16;
constexpr int kLastOutcomeWidth = 220;

// With VELMORA_TRACE set, what the window shows is also written to standard output, so that a person
// or a script running the monitor without a screen can follow it.
void trace(const char* what, const std::string& text) {
    static const bool enabled = std::getenv("VELMORA_TRACE") != nullptr;
    if (enabled) {
        std::printf("[monitor] %s: %s\n", what, text.c_str());
        std::fflush(stdout);
    }
}

UINT messageBoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Error:
        return MB_ICONERROR;
    case MessageIcon::Warning:
        return MB_ICONWARNING;
    case MessageIcon::Information:
        return MB_ICONINFORMATION;
    case MessageIcon::None:
        break;
    }
    return 0;
}

// A blue rounded square with a white "V", drawn here so that the program needs no resource file.
UniqueIcon drawApplicationIcon(int size) {
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueDc dc(CreateCompatibleDC(nullptr));
    UniqueBitmap colour(CreateDIBSection(dc.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    const std::vector<BYTE> noMask(static_cast<std::size_t>((size + 15) / 16 * 2 * size), 0);
    UniqueBitmap mask(CreateBitmap(size, size, 1, 1, noMask.data()));
    if (!dc || !colour || !mask) {
        return nullptr;
    }
    auto* pixels = static_cast<std::uint32_t*>(bits);
    const double inset = size / 32.0;
    const double radius = size * 6.0 / 32.0;
    const auto inside = [&](int x, int y) {
        const double px = x + 0.5;
        const double py = y + 0.5;
        const double dx = px - std::clamp(px, inset + radius, size - inset - radius);
        const double dy = py - std::clamp(py, inset + radius, size - inset - radius);
        return dx * dx + dy * dy <= radius * radius;
    };
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            pixels[y * size + x] = inside(x, y) ? 0x1f5fa8u : 0u;
        }
    }
    {
        const SelectedObject bitmapSelected(dc.get(), colour.get());
        UniqueFont font = createFont(L"Tahoma", -(size * 5 / 8), true);
        const SelectedObject fontSelected(dc.get(), font.get());
        SetTextColor(dc.get(), RGB(255, 255, 255));
        SetBkMode(dc.get(), TRANSPARENT);
        RECT area{0, 0, size, size};
        DrawTextW(dc.get(), L"V", 1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        GdiFlush();
    }
    // GDI leaves the alpha channel at 0 where it drew.
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            std::uint32_t& pixel = pixels[y * size + x];
            pixel = inside(x, y) ? (pixel | 0xff000000u) : 0u;
        }
    }
    ICONINFO parts{TRUE, 0, 0, mask.get(), colour.get()};
    return UniqueIcon(CreateIconIndirect(&parts));
}

void setCellText(HWND grid, int row, int column, const std::string& text) {
    std::wstring wide = widen(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    SendMessageW(grid, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void insertRow(HWND grid, int row) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(L"");
    SendMessageW(grid, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

int rowCount(HWND grid) { return static_cast<int>(SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0)); }

}  // namespace

namespace win32 {

void WindowTimer::start(HWND window) {
    if (SetTimer(window, id_, intervalMs_, nullptr) != 0) {
        window_ = window;
    }
}

void WindowTimer::stop() {
    if (window_ != nullptr) {
        KillTimer(window_, id_);
        window_ = nullptr;
    }
}

bool TrayIcon::add(HWND window, UINT callbackMessage, HICON icon, const std::wstring& tip) {
    remove();
    data_ = {};
    data_.cbSize = sizeof(data_);
    data_.hWnd = window;
    data_.uID = 0;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = callbackMessage;
    data_.hIcon = icon;
    const std::size_t length = std::min(tip.size(), std::size(data_.szTip) - 1);
    std::copy_n(tip.begin(), length, data_.szTip);
    requested_ = true;
    return addAgain();
}

bool TrayIcon::addAgain() {
    if (requested_) {
        // A notification area that kept the icon refuses to add it twice.
        const bool wasShown = std::exchange(shown_, Shell_NotifyIconW(NIM_ADD, &data_) != FALSE);
        if (!shown_ && wasShown) {
            shown_ = Shell_NotifyIconW(NIM_MODIFY, &data_) != FALSE;
        }
    }
    return shown_;
}

void TrayIcon::remove() {
    if (shown_) {
        Shell_NotifyIconW(NIM_DELETE, &data_);
    }
    shown_ = false;
    requested_ = false;
}

}  // namespace win32

Win32MainWindow::Win32MainWindow(Clock& clock)
    : clock_(clock),
      font_(createFont(L"MS Sans Serif", -11)),
      boldFont_(createFont(L"MS Sans Serif", -11, true)),
      bigIcon_(drawApplicationIcon(GetSystemMetrics(SM_CXICON))),
      smallIcon_(drawApplicationIcon(GetSystemMetrics(SM_CXSMICON))),
      taskbarCreatedMessage_(RegisterWindowMessageW(L"TaskbarCreated")),
      cycleTimer_(kCycleTimerId, kCycleIntervalMs),
      disconnectTimer_(kDisconnectTimerId, kDisconnectIntervalMs),
      trayRetry_(kTrayRetryTimerId, kTrayRetryIntervalMs) {
    initCommonControls();
    buildTrayMenu();
    static const WindowClass windowClass(L"VelmoraMonitorPublicacao", windowProc);
    const SIZE outer = outerSize(kClientWidth, kClientHeight, kStyle, 0);
    const POINT origin = centredOrigin(outer, true);
    window_.reset(CreateWindowExW(0, windowClass.name(), kTitle, kStyle, origin.x, origin.y, outer.cx, outer.cy,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), this));
    if (!window_) {
        throw std::runtime_error("A janela principal não pôde ser criada.");
    }
    SendMessageW(window_.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_.get()));
    SendMessageW(window_.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    // Explorer runs without elevation: an elevated monitor would not hear it start again. Should the filter stay
    // as it is, only that message is lost.
    if (taskbarCreatedMessage_ != 0) {
        ChangeWindowMessageFilterEx(window_.get(), taskbarCreatedMessage_, MSGFLT_ALLOW, nullptr);
    }
    buildLayout(window_.get());
    disconnectTimer_.start(window_.get());
}

Win32MainWindow::~Win32MainWindow() {
    monitor_ = nullptr;  // nothing is handed on while the window goes
    trayIcon_.remove();
    cycleTimer_.stop();
    disconnectTimer_.stop();
    trayRetry_.stop();
    window_.reset();
}

void Win32MainWindow::buildTrayMenu() {
    trayMenu_.reset(CreatePopupMenu());
    AppendMenuW(trayMenu_.get(), MF_STRING, openMenuItem, L"&Abrir Monitor Publicação");
    AppendMenuW(trayMenu_.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(trayMenu_.get(), MF_STRING, quitMenuItem, L"&Sair");
}

void Win32MainWindow::buildLayout(HWND window) {
    HFONT font = font_.get();
    constexpr DWORD kSibling = WS_CLIPSIBLINGS;
    constexpr DWORD kLabel = kSibling | SS_LEFTNOWORDWRAP | SS_NOPREFIX;
    constexpr DWORD kCentred = kSibling | SS_CENTER | SS_NOPREFIX;
    constexpr DWORD kButton = kSibling | WS_TABSTOP | BS_PUSHBUTTON;

    const auto bevel = [&](int top, int id) {
        HWND line = createControl(window, L"STATIC", L"", kSibling | SS_ETCHEDHORZ, {8, top, 641, 2}, id, font);
        // The control widens itself by its edge when created.
        SetWindowPos(line, nullptr, 0, 0, 641, 2, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    };

    buildGrid(window);
    bevel(212, bevelBelowGrid);
    createControl(window, L"STATIC", L"Processando:", kLabel, {12, 220, 80, 16}, processingCaption, font);
    createControl(window, L"STATIC", L"", kLabel, {96, 220, 550, 16}, processingLabel, font);
    createControl(window, L"STATIC", L"Observações:", kLabel, {12, 240, 80, 16}, observationCaption, font);
    createControl(window, L"STATIC", L"", kLabel, {96, 240, 550, 16}, observationLabel, font);
    bevel(262, bevelBelowLabels);
    createControl(window, L"STATIC", L"VERSÃO:", kCentred, {215, 270, 225, 16}, versionLabel, font);
    createControl(window, L"STATIC", L"Ativo desde: ", kCentred, {215, 288, 225, 16}, activeSinceLabel, font);
    bevel(312, bevelAboveButtons);
    createControl(window, L"STATIC", L"Situação:", kLabel, {12, 332, 60, 16}, statusCaption, boldFont_.get());
    createControl(window, L"STATIC", L"", kLabel, {74, 332, 170, 16}, statusLabel, font);
    createControl(window, L"BUTTON", L"Forçar Email", kButton, {330, 324, 100, 30}, remindersNowButton, font);
    createControl(window, L"BUTTON", L"Publicar Agora", kButton, {438, 324, 100, 30}, publishNowButton, font);
    createControl(window, L"BUTTON", L"Minimizar", kButton, {546, 324, 100, 30}, hideButton, font);

    HWND frame = createControl(window, L"BUTTON", L"Processos sendo monitorados", kSibling | BS_GROUPBOX,
                               {8, 4, 641, 202}, reportsGroup, boldFont_.get());
    // The frame lies under the grid it surrounds.
    SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32MainWindow::buildGrid(HWND window) {
    // The hidden ID and TP_PUBLICACAO are kept in rows_, not in columns the user could widen.
    grid_ = createControl(window, WC_LISTVIEWW, L"",
                          WS_CLIPSIBLINGS | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                              LVS_NOSORTHEADER | LVS_SHAREIMAGELISTS,
                          {17, 26, 623, 172}, reportsGrid, font_.get(), WS_EX_CLIENTEDGE);
    SendMessageW(grid_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    // A one pixel wide image list is the list view's way to a taller row.
    rowHeight_.reset(ImageList_Create(1, kRowHeight, ILC_COLOR, 1, 0));
    SendMessageW(grid_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(rowHeight_.get()));

    struct Column {
        const wchar_t* title;
        int width;
    };
    const Column columns[] = {{L"Planilha", 250},
                              {L"Tipo de Publicação", 100},
                              {L"Última Publicação", 100},
                              {L"Próxima Publicação", 100}};
    const auto textWidth = [this](const wchar_t* text) {
        return static_cast<int>(SendMessageW(grid_, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text))) + 12;
    };
    // The widths were chosen for a narrow 8-point font. With a wider one the titles and the time stamps still show
    // whole, and the name gives up what the list lacks, so that no row needs scrolling sideways.
    int widths[std::size(columns)];
    const int timeStampWidth = textWidth(L"00/00/0000 00:00:00");
    int othersWidth = 0;
    for (std::size_t index = 1; index < std::size(columns); ++index) {
        const int valueWidth = index >= 2 ? timeStampWidth : 0;
        widths[index] = std::max({columns[index].width, textWidth(columns[index].title), valueWidth});
        othersWidth += widths[index];
    }
    RECT client{};
    GetClientRect(grid_, &client);
    const int roomForName = client.right - GetSystemMetrics(SM_CXVSCROLL) - othersWidth;
    widths[0] = std::max(std::min(columns[0].width, roomForName), textWidth(columns[0].title));

    const auto insertColumn = [this](int index, const wchar_t* title, int width) {
        LVCOLUMNW definition{};
        definition.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        definition.cx = width;
        definition.pszText = const_cast<wchar_t*>(title);
        definition.iSubItem = index;
        SendMessageW(grid_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&definition));
    };
    for (std::size_t index = 0; index < std::size(columns); ++index) {
        insertColumn(static_cast<int>(index), columns[index].title, widths[index]);
    }
    // The outcome of each report's last attempt lies beyond the four columns; the list scrolls sideways to it.
    insertColumn(static_cast<int>(std::size(columns)), L"Último resultado", kLastOutcomeWidth);
}

LRESULT CALLBACK Win32MainWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    // An exception must not unwind through the system's frames; it comes out where this thread pumps messages.
    try {
        return self->handleMessage(window, message, wParam, lParam);
    } catch (...) {
        if (!self->handlerFailure_) {
            self->handlerFailure_ = std::current_exception();
        }
        return 0;
    }
}

LRESULT Win32MainWindow::handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            onCommand(LOWORD(wParam));
            return 0;
        }
        break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom == grid_ && header->code == LVN_ITEMCHANGED) {
            onGridChange(*reinterpret_cast<const NMLISTVIEW*>(lParam));
        }
        break;
    }
    case WM_TIMER:
        if (wParam == kCycleTimerId) {
            if (cycleTimer_.active()) {
                fire(&WindowEvents::cycleTimerFired);
            }
            return 0;
        }
        if (wParam == kDisconnectTimerId) {
            // Handled from a posted message: the watch's message box is opened from inside its handler, and the
            // box's own message loop then delivers the next ticks, so the watch can still end the monitor that
            // nobody is there to click for.
            if (disconnectTimer_.active()) {
                PostMessageW(window, kDisconnectTickMessage, 0, 0);
            }
            return 0;
        }
        if (wParam == kTrayRetryTimerId) {
            if (trayRetry_.active()) {
                retryTrayIconUnless(trayIcon_.shown() || trayIcon_.addAgain());
            }
            return 0;
        }
        break;
    case kDisconnectTickMessage:
        if (disconnectTimer_.active()) {  // a tick queued before the watch was switched off is dropped
            fire(&WindowEvents::disconnectWatchFired);
        }
        return 0;
    case kRestoreSelectionMessage:
        restoreSelection();
        return 0;
    case kTrayCallbackMessage:
        onTrayEvent(window, lParam);
        break;  // then the default handling, as for every message
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE && trayIcon_.shown()) {
            hideWindow();
            return 0;
        }
        break;
    case WM_QUERYENDSESSION:
        // The session may always end; the monitor ends with it on WM_ENDSESSION.
        return TRUE;
    case WM_ENDSESSION:
        if (wParam != FALSE) {
            endSession();
        }
        return 0;
    case WM_CLOSE:
        hideWindow();  // closing never ends the program
        return 0;
    case WM_WINDOWPOSCHANGED:
        noteShown(window);
        break;
    case WM_ACTIVATE:
        // The keyboard goes back to the control that had it, the grid at first, instead of to the bare window.
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (HWND focus = GetFocus(); IsChild(window, focus)) {
                focus_ = focus;
            }
        } else if (HIWORD(wParam) == 0) {  // not while minimised
            SetFocus(IsWindow(focus_) ? focus_ : grid_);
        }
        return 0;
    default:
        if (message == taskbarCreatedMessage_ && message != 0 && trayIcon_.wanted()) {
            retryTrayIconUnless(trayIcon_.addAgain());
        }
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void Win32MainWindow::onCommand(int id) {
    switch (id) {
    case remindersNowButton:
        fire(&WindowEvents::remindersNowRequested);
        break;
    case publishNowButton:
        fire(&WindowEvents::publishNowRequested);
        break;
    case hideButton:
        fire(&WindowEvents::hideRequested);
        break;
    case openMenuItem:
        fire(&WindowEvents::openRequested);
        break;
    case quitMenuItem:
        fire(&WindowEvents::quitRequested);
        break;
    default:
        break;
    }
}

void Win32MainWindow::onTrayEvent(HWND window, LPARAM mouseEvent) {
    if (mouseEvent == WM_LBUTTONDBLCLK) {
        fire(&WindowEvents::openRequested);
    } else if (mouseEvent == WM_RBUTTONDOWN) {
        // Without the foreground the menu would not close when the user clicks elsewhere, and without the empty
        // message it would fail to come up a second time.
        SetForegroundWindow(window);
        POINT cursor{};
        GetCursorPos(&cursor);
        TrackPopupMenu(trayMenu_.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, nullptr);
        PostMessageW(window, WM_NULL, 0, 0);
    }
}

// Right after log-on the notification area may not be there yet: the icon is tried again until it takes it.
void Win32MainWindow::retryTrayIconUnless(bool added) {
    if (added) {
        trayRetry_.stop();
    } else if (!trayRetry_.active()) {
        trayRetry_.start(window_.get());
    }
}

// Logging off or shutting down ends the monitor the orderly way, its lock going with it; no tick may start a
// cycle or a watch on the way out.
void Win32MainWindow::endSession() {
    cycleTimer_.stop();
    disconnectTimer_.stop();
    trayRetry_.stop();
    fire(&WindowEvents::quitRequested);
}

void Win32MainWindow::onGridChange(const NMLISTVIEW& change) {
    if ((change.uChanged & LVIF_STATE) == 0) {
        return;
    }
    const bool wasSelected = (change.uOldState & LVIS_SELECTED) != 0;
    const bool isSelected = (change.uNewState & LVIS_SELECTED) != 0;
    if (isSelected && !wasSelected && change.iItem >= 0) {
        currentRow_ = change.iItem;
    } else if (wasSelected && !isSelected) {
        // A click beside the rows unselects them all; the list view decides only after this notice.
        PostMessageW(window_.get(), kRestoreSelectionMessage, 0, 0);
    }
}

void Win32MainWindow::restoreSelection() {
    const int count = rowCount(grid_);
    if (count == 0 || SendMessageW(grid_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) >= 0) {
        return;
    }
    selectRow(std::clamp(currentRow_, 0, count - 1));
}

void Win32MainWindow::selectRow(int row) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(grid_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    currentRow_ = row;
    if (row >= 0) {
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(grid_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
        SendMessageW(grid_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    }
}

void Win32MainWindow::noteShown(HWND window) {
    const bool shown = IsWindowVisible(window) && !IsIconic(window);
    const bool appeared = shown && !shown_;
    shown_ = shown;
    if (appeared) {
        fire(&WindowEvents::windowShown);
    }
}

void Win32MainWindow::fire(void (WindowEvents::*handler)()) {
    if (monitor_ != nullptr) {
        (monitor_->*handler)();
    }
}

void Win32MainWindow::showTrayIcon() {
    retryTrayIconUnless(trayIcon_.add(window_.get(), kTrayCallbackMessage, smallIcon_.get(), kTitle));
}

void Win32MainWindow::showWindow() {
    HWND window = window_.get();
    ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window);
}

void Win32MainWindow::hideWindow() {
    // With no notification area a hidden window could never be opened again: keep it minimised instead.
    ShowWindow(window_.get(), trayIcon_.shown() ? SW_HIDE : SW_MINIMIZE);
}

void Win32MainWindow::setLabel(int id, const std::string& text) {
    HWND label = GetDlgItem(window_.get(), id);
    SetWindowTextW(label, widen(text).c_str());
    UpdateWindow(label);
}

void Win32MainWindow::setVersionText(const std::string& text) {
    setLabel(versionLabel, text);
    trace("Rótulo", text);
}

void Win32MainWindow::setActiveSinceText(const std::string& text) { setLabel(activeSinceLabel, text); }

void Win32MainWindow::setStatusWord(const std::string& text) {
    setLabel(statusLabel, text);
    trace("Situação", text);
}

void Win32MainWindow::setProcessingText(const std::string& text) {
    setLabel(processingLabel, text);
    if (!text.empty()) {
        trace("Processando", text);
    }
}

void Win32MainWindow::setObservationText(const std::string& text) {
    setLabel(observationLabel, text);
    if (!text.empty()) {
        trace("Observações", text);
    }
}

void Win32MainWindow::dispatch(MSG& message) {
    // Tab moves between the grid and the buttons as on a form. The dialog manager is not used for it: its private
    // messages share numbers with the tray icon's callback message.
    if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && IsChild(window_.get(), message.hwnd)) {
        if (HWND next = GetNextDlgTabItem(window_.get(), message.hwnd, GetKeyState(VK_SHIFT) < 0)) {
            SetFocus(next);
        }
        return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void Win32MainWindow::rethrowHandlerFailure() {
    if (handlerFailure_) {
        std::rethrow_exception(std::exchange(handlerFailure_, nullptr));
    }
}

void Win32MainWindow::processPendingEvents() {
    MSG message;
    while (!quitReceived_ && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quitReceived_ = true;
            exitCode_ = static_cast<int>(message.wParam);
            // Left for the loops around this one, such as an open message box's, so that they end too.
            PostQuitMessage(exitCode_);
            break;
        }
        dispatch(message);
        rethrowHandlerFailure();
    }
    rethrowHandlerFailure();
}

int Win32MainWindow::runMessageLoop() {
    MSG message;
    while (!quitReceived_) {
        const BOOL result = GetMessageW(&message, nullptr, 0, 0);
        if (result == 0 || result == -1) {
            quitReceived_ = true;
            exitCode_ = result == 0 ? static_cast<int>(message.wParam) : exitCode_;
            break;
        }
        dispatch(message);
        rethrowHandlerFailure();
    }
    return exitCode_;
}

void Win32MainWindow::showMessageBox(const std::string& title, const std::string& text, MessageIcon icon) {
    trace("Mensagem", text);
    MessageBoxW(window_.get(), widen(text).c_str(), widen(title).c_str(),
                MB_OK | MB_SETFOREGROUND | messageBoxIcon(icon));
    rethrowHandlerFailure();
}

void Win32MainWindow::showGenericMessage(const std::string& text, bool confirmation, bool closeByItself) {
    trace("Aviso", text);
    showWin32GenericMessageWindow(text, confirmation, closeByItself, clock_);
}

void Win32MainWindow::showClosingNotice(const std::string& text, std::chrono::seconds shownFor) {
    trace("Aviso", text);
    showWin32GenericMessageWindow(text, false, true, clock_, shownFor);
}

void Win32MainWindow::setCycleTimerActive(bool active) {
    if (active) {
        cycleTimer_.start(window_.get());
    } else {
        cycleTimer_.stop();
    }
}

void Win32MainWindow::setDisconnectTimerActive(bool active) {
    if (active) {
        disconnectTimer_.start(window_.get());
    } else {
        disconnectTimer_.stop();
    }
}

void Win32MainWindow::showReports(const std::vector<ReportRow>& rows) {
    const int previous = selectedReportId();
    rows_ = rows;
    const int count = static_cast<int>(rows_.size());
    SendMessageW(grid_, WM_SETREDRAW, FALSE, 0);
    // Rows are rewritten in place, so that the list keeps its scroll position.
    for (int row = rowCount(grid_); row > count; --row) {
        SendMessageW(grid_, LVM_DELETEITEM, static_cast<WPARAM>(row - 1), 0);
    }
    int current = rows_.empty() ? -1 : 0;
    for (int row = 0; row < count; ++row) {
        const ReportRow& report = rows_[static_cast<std::size_t>(row)];
        if (row >= rowCount(grid_)) {
            insertRow(grid_, row);
        }
        setCellText(grid_, row, 0, report.name);
        setCellText(grid_, row, 1, report.publication);
        setCellText(grid_, row, 2, report.lastPublication);
        setCellText(grid_, row, 3, report.nextPublication);
        setCellText(grid_, row, 4, report.lastOutcome);
        if (report.id == previous) {
            current = row;
        }
        trace("Grade", report.name + " | " + report.publication + " | última " + report.lastPublication +
                           " | próxima " + report.nextPublication + " | " + report.lastOutcome);
    }
    // Like a data grid, one row is always current while there are rows: the one selected before, or the first.
    selectRow(current);
    SendMessageW(grid_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(grid_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

int Win32MainWindow::selectedReportId() const {
    if (currentRow_ < 0 || currentRow_ >= static_cast<int>(rows_.size())) {
        return 0;
    }
    return rows_[static_cast<std::size_t>(currentRow_)].id;
}

}  // namespace velmora
