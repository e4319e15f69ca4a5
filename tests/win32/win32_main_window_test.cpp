#include "monitor/win32_main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/fake_clock.h"
#include "win32_test_support.h"

namespace velmora {
namespace {

using win32::windowText;

class RecordingEvents : public WindowEvents {
public:
    void windowShown() override { calls.push_back("FormShow"); }
    void hideRequested() override { calls.push_back("BitBtn1Click"); }
    void openRequested() override { calls.push_back("pmnuiOpenClick"); }
    void quitRequested() override {
        calls.push_back("Sair1Click");
        if (onQuit) {
            onQuit();
        }
    }
    void cycleTimerFired() override {
        calls.push_back("Timer1Timer");
        if (onCycleTimer) {
            onCycleTimer();
        }
    }
    void disconnectWatchFired() override {
        calls.push_back("Timer2Timer");
        if (onDisconnectWatch) {
            onDisconnectWatch();
        }
    }
    void publishNowRequested() override { calls.push_back("btnPublicarClick"); }
    void remindersNowRequested() override { calls.push_back("BitBtn2Click"); }

    std::vector<std::string> calls;
    std::function<void()> onCycleTimer;
    std::function<void()> onDisconnectWatch;
    std::function<void()> onQuit;
};

std::wstring cellText(HWND grid, int row, int column) {
    wchar_t buffer[256]{};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 256;
    SendMessageW(grid, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return buffer;
}

std::vector<std::wstring> columnTitles(HWND grid) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(grid, LVM_GETHEADER, 0, 0));
    const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    std::vector<std::wstring> titles;
    for (int column = 0; column < count; ++column) {
        wchar_t buffer[128]{};
        LVCOLUMNW definition{};
        definition.mask = LVCF_TEXT;
        definition.pszText = buffer;
        definition.cchTextMax = 128;
        SendMessageW(grid, LVM_GETCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&definition));
        titles.emplace_back(buffer);
    }
    return titles;
}

int selectedRow(HWND grid) {
    return static_cast<int>(SendMessageW(grid, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void setSelection(HWND grid, int row, bool selected) {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = selected ? LVIS_SELECTED | LVIS_FOCUSED : 0;
    SendMessageW(grid, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
}

std::vector<ReportRow> sampleRows() {
    return {
        {11, "Vendas por Vendedor", "Pasta", "01/12/2026 08:00:00", "10/12/2026 08:00:00", 1, "OK"},
        {12, "Tabela de Preços", "FTP", "", "10/12/2026 09:30:00", 2, "Falhou: 530 Login incorrect."},
        {13, "Comissões (Gestão)", "Pasta", "09/12/2026 18:00:00", "10/12/2026 18:00:00", 1, ""},
    };
}

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() { window.attach(events); }
    ~MainWindowTest() override {
        MSG message;  // a quit left by a test must not end the next test's message boxes
        while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    HWND control(int id) const { return GetDlgItem(window.handle(), id); }
    // A real tick of the watch (every 5 s) must not slip into a test that lists the handlers called.
    void stopTheWatch() { window.setDisconnectTimerActive(false); }
    HWND grid() const { return control(Win32MainWindow::reportsGrid); }

    test::FakeClock clock;
    RecordingEvents events;
    Win32MainWindow window{clock};
};

void expectBounds(HWND child, RECT expected, const char* name) {
    const RECT bounds = test::childBounds(child);
    EXPECT_EQ(bounds.left, expected.left) << name;
    EXPECT_EQ(bounds.top, expected.top) << name;
    EXPECT_EQ(bounds.right, expected.right) << name << " width";
    EXPECT_EQ(bounds.bottom, expected.bottom) << name << " height";
}

TEST_F(MainWindowTest, TheWindowIsLaidOutAsDesignedAndStartsHidden) {
    HWND main = window.handle();
    EXPECT_EQ(windowText(main), L"velmora Monitor Publicação");
    EXPECT_FALSE(IsWindowVisible(main));
    const SIZE client = test::clientSizeOf(main);
    EXPECT_EQ(client.cx, 656);
    EXPECT_EQ(client.cy, 365);
    const LONG_PTR style = GetWindowLongPtrW(main, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);

    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT outer{};
    GetWindowRect(main, &outer);
    EXPECT_LE(std::abs((outer.left + outer.right) - (work.left + work.right)), 2);
    EXPECT_LE(std::abs((outer.top + outer.bottom) - (work.top + work.bottom)), 2);

    expectBounds(control(Win32MainWindow::reportsGroup), {8, 4, 641, 202}, "GroupBox1");
    expectBounds(grid(), {17, 26, 623, 172}, "DBGridProcessos");
    expectBounds(control(Win32MainWindow::versionLabel), {215, 270, 225, 16}, "lblVersao");
    expectBounds(control(Win32MainWindow::statusLabel), {74, 332, 170, 16}, "lblSituacao");
    expectBounds(control(Win32MainWindow::remindersNowButton), {330, 324, 100, 30}, "BitBtn2");
    expectBounds(control(Win32MainWindow::publishNowButton), {438, 324, 100, 30}, "btnPublicar");
    expectBounds(control(Win32MainWindow::hideButton), {546, 324, 100, 30}, "BitBtn1");
    expectBounds(control(Win32MainWindow::bevelAboveButtons), {8, 312, 641, 2}, "Bevel3");

    EXPECT_EQ(windowText(control(Win32MainWindow::reportsGroup)), L"Processos sendo monitorados");
    EXPECT_EQ(windowText(control(Win32MainWindow::processingCaption)), L"Processando:");
    EXPECT_EQ(windowText(control(Win32MainWindow::observationCaption)), L"Observações:");
    EXPECT_EQ(windowText(control(Win32MainWindow::statusCaption)), L"Situação:");
    EXPECT_EQ(windowText(control(Win32MainWindow::versionLabel)), L"VERSÃO:");
    EXPECT_EQ(windowText(control(Win32MainWindow::remindersNowButton)), L"Forçar Email");
    EXPECT_EQ(windowText(control(Win32MainWindow::publishNowButton)), L"Publicar Agora");
    EXPECT_EQ(windowText(control(Win32MainWindow::hideButton)), L"Minimizar");

    // ID and TP_PUBLICACAO are not shown; the last outcome comes after the four columns of the schedule.
    const std::vector<std::wstring> titles{L"Planilha", L"Tipo de Publicação", L"Última Publicação",
                                           L"Próxima Publicação", L"Último resultado"};
    EXPECT_EQ(columnTitles(grid()), titles);
    // Time stamps show whole, and the four columns of the schedule need no sideways scrolling.
    const auto width = [&](int column) {
        return static_cast<int>(SendMessageW(grid(), LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
    };
    const wchar_t* const sample = L"10/12/2026 08:00:00";
    const int timeStamp =
        static_cast<int>(SendMessageW(grid(), LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(sample)));
    EXPECT_GT(width(2), timeStamp);
    EXPECT_GT(width(3), timeStamp);
    EXPECT_LE(width(0) + width(1) + width(2) + width(3), test::clientSizeOf(grid()).cx);
    EXPECT_GE(width(0), 200);
    const LRESULT extended = SendMessageW(grid(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT);
    EXPECT_TRUE(GetWindowLongPtrW(grid(), GWL_STYLE) & LVS_SINGLESEL);
}

TEST_F(MainWindowTest, LabelsTakeUtf8Text) {
    window.setStatusWord("DORMINDO");
    window.setProcessingText("Comissões (Gestão)");
    window.setObservationText("Não foi possível acessar a pasta Dados no Servidor.");
    window.setVersionText("Versão: 10/12/2026 09:30");
    window.setActiveSinceText("Ativo desde: 10/12/2026 09:31:02");
    EXPECT_EQ(windowText(control(Win32MainWindow::statusLabel)), L"DORMINDO");
    EXPECT_EQ(windowText(control(Win32MainWindow::processingLabel)), L"Comissões (Gestão)");
    EXPECT_EQ(windowText(control(Win32MainWindow::observationLabel)),
              L"Não foi possível acessar a pasta Dados no Servidor.");
    EXPECT_EQ(windowText(control(Win32MainWindow::versionLabel)), L"Versão: 10/12/2026 09:30");
    EXPECT_EQ(windowText(control(Win32MainWindow::activeSinceLabel)), L"Ativo desde: 10/12/2026 09:31:02");
}

TEST_F(MainWindowTest, TheGridShowsTheRowsAndKeepsTheCurrentReportAcrossRefreshes) {
    EXPECT_EQ(window.selectedReportId(), 0);
    window.showReports(sampleRows());
    ASSERT_EQ(SendMessageW(grid(), LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(cellText(grid(), 2, 0), L"Comissões (Gestão)");
    EXPECT_EQ(cellText(grid(), 2, 1), L"Pasta");
    EXPECT_EQ(cellText(grid(), 2, 2), L"09/12/2026 18:00:00");
    EXPECT_EQ(cellText(grid(), 2, 3), L"10/12/2026 18:00:00");
    EXPECT_EQ(cellText(grid(), 1, 2), L"");
    EXPECT_EQ(cellText(grid(), 0, 4), L"OK");
    EXPECT_EQ(cellText(grid(), 1, 4), L"Falhou: 530 Login incorrect.");
    EXPECT_EQ(selectedRow(grid()), 0);
    EXPECT_EQ(window.selectedReportId(), 11);

    setSelection(grid(), 2, true);  // as a click on the third row
    EXPECT_EQ(window.selectedReportId(), 13);

    // The report stays current when it moved, and the list shrinks and grows with the rows.
    std::vector<ReportRow> moved{sampleRows()[2], sampleRows()[0]};
    window.showReports(moved);
    ASSERT_EQ(SendMessageW(grid(), LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(cellText(grid(), 0, 0), L"Comissões (Gestão)");
    EXPECT_EQ(selectedRow(grid()), 0);
    EXPECT_EQ(window.selectedReportId(), 13);

    window.showReports({sampleRows()[1], sampleRows()[0], ReportRow{14, "Estoque", "FTP", "", "", 2, ""}});
    ASSERT_EQ(SendMessageW(grid(), LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(cellText(grid(), 2, 0), L"Estoque");
    EXPECT_EQ(selectedRow(grid()), 0);  // the current report is gone: the first row
    EXPECT_EQ(window.selectedReportId(), 12);

    window.showReports({});
    EXPECT_EQ(SendMessageW(grid(), LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(window.selectedReportId(), 0);
}

TEST_F(MainWindowTest, AClickBesideTheRowsLeavesTheCurrentRowSelected) {
    window.showWindow();
    window.showReports(sampleRows());
    setSelection(grid(), 1, true);
    window.processPendingEvents();

    RECT last{};
    last.left = LVIR_BOUNDS;
    SendMessageW(grid(), LVM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&last));
    const LPARAM below = MAKELPARAM(20, last.bottom + 20);
    PostMessageW(grid(), WM_LBUTTONUP, 0, below);  // there already when the list view looks for a drag
    SendMessageW(grid(), WM_LBUTTONDOWN, MK_LBUTTON, below);
    window.processPendingEvents();

    EXPECT_EQ(selectedRow(grid()), 1);
    EXPECT_EQ(window.selectedReportId(), 12);
}

TEST_F(MainWindowTest, ShowingRunsFormShowAndMinimisingOrClosingOnlyHides) {
    stopTheWatch();
    window.showTrayIcon();
    HWND main = window.handle();
    const auto hidden = [&] {
        // Without a notification area the window stays minimised instead, so that it can still be opened.
        return window.trayIconShown() ? !IsWindowVisible(main) : (IsWindowVisible(main) && IsIconic(main));
    };

    window.showWindow();
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_FALSE(IsIconic(main));
    EXPECT_EQ(events.calls, std::vector<std::string>{"FormShow"});

    SendMessageW(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(hidden());

    window.showWindow();
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_FALSE(IsIconic(main));
    SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(main));
    EXPECT_TRUE(hidden());
    window.processPendingEvents();
    EXPECT_EQ(events.calls, (std::vector<std::string>{"FormShow", "FormShow"}));
}

TEST_F(MainWindowTest, ButtonsReachTheirHandlers) {
    stopTheWatch();
    window.showWindow();
    events.calls.clear();
    SendMessageW(control(Win32MainWindow::remindersNowButton), BM_CLICK, 0, 0);
    SendMessageW(control(Win32MainWindow::publishNowButton), BM_CLICK, 0, 0);
    SendMessageW(control(Win32MainWindow::hideButton), BM_CLICK, 0, 0);
    window.processPendingEvents();
    EXPECT_EQ(events.calls, (std::vector<std::string>{"BitBtn2Click", "btnPublicarClick", "BitBtn1Click"}));
}

TEST_F(MainWindowTest, TheKeyboardStartsOnTheGridAndTabMovesItToTheButtons) {
    window.showWindow();
    EXPECT_EQ(GetFocus(), grid());
    PostMessageW(grid(), WM_KEYDOWN, VK_TAB, 0);
    window.processPendingEvents();
    EXPECT_EQ(GetFocus(), control(Win32MainWindow::remindersNowButton));
    for (int press = 0; press < 2; ++press) {
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
        window.processPendingEvents();
    }
    EXPECT_EQ(GetFocus(), control(Win32MainWindow::hideButton));
    SendMessageW(window.handle(), WM_ACTIVATE, WA_INACTIVE, 0);
    SendMessageW(window.handle(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(GetFocus(), control(Win32MainWindow::hideButton));  // back where it was
}

TEST_F(MainWindowTest, TheTrayIconOpensOnDoubleClickAndShowsItsMenuOnRightClick) {
    stopTheWatch();
    HMENU menu = window.trayMenu();
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    wchar_t text[64]{};
    GetMenuStringW(menu, 0, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"&Abrir Monitor Publicação");
    GetMenuStringW(menu, 2, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"&Sair");
    MENUITEMINFOW separator{};
    separator.cbSize = sizeof(separator);
    separator.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(menu, 1, TRUE, &separator);
    EXPECT_TRUE(separator.fType & MFT_SEPARATOR);

    HWND main = window.handle();
    SendMessageW(main, Win32MainWindow::kTrayCallbackMessage, 0, WM_LBUTTONDBLCLK);
    SendMessageW(main, Win32MainWindow::kTrayCallbackMessage, 0, WM_LBUTTONDOWN);  // ignored
    EXPECT_EQ(events.calls, std::vector<std::string>{"pmnuiOpenClick"});

    bool menuSeen = false;
    {
        test::WhileModal choose([&] {
            if (test::findOwnWindow(L"#32768") == nullptr) {
                return false;
            }
            menuSeen = true;
            PostMessageW(main, WM_CHAR, L's', 0);  // the menu's mnemonic for "&Sair"
            return true;
        });
        SendMessageW(main, Win32MainWindow::kTrayCallbackMessage, 0, WM_RBUTTONDOWN);
        EXPECT_FALSE(choose.gaveUp());
    }
    EXPECT_TRUE(menuSeen);
    window.processPendingEvents();
    EXPECT_EQ(events.calls, (std::vector<std::string>{"pmnuiOpenClick", "Sair1Click"}));

    events.calls.clear();
    SendMessageW(main, WM_COMMAND, Win32MainWindow::openMenuItem, 0);
    EXPECT_EQ(events.calls, std::vector<std::string>{"pmnuiOpenClick"});
}

TEST_F(MainWindowTest, TimerTicksGoToTheirHandlersOnlyWhileTheirTimerRuns) {
    HWND main = window.handle();
    SendMessageW(main, WM_TIMER, Win32MainWindow::kCycleTimerId, 0);  // cycleTimer starts switched off
    window.processPendingEvents();
    EXPECT_TRUE(events.calls.empty());

    window.setCycleTimerActive(true);
    SendMessageW(main, WM_TIMER, Win32MainWindow::kCycleTimerId, 0);
    EXPECT_EQ(events.calls, std::vector<std::string>{"Timer1Timer"});

    // disconnectTimer runs from the start; its tick is handed on through the message queue.
    events.calls.clear();
    SendMessageW(main, WM_TIMER, Win32MainWindow::kDisconnectTimerId, 0);
    EXPECT_TRUE(events.calls.empty());
    window.processPendingEvents();
    EXPECT_EQ(events.calls, std::vector<std::string>{"Timer2Timer"});

    // A tick still queued when the watch is switched off is dropped.
    events.calls.clear();
    SendMessageW(main, WM_TIMER, Win32MainWindow::kDisconnectTimerId, 0);
    window.setDisconnectTimerActive(false);
    window.processPendingEvents();
    EXPECT_TRUE(events.calls.empty());
}

TEST_F(MainWindowTest, TheSessionMayEndAtOnceAndItsEndStopsBothTimersBeforeTheMonitorEnds) {
    HWND main = window.handle();
    window.setCycleTimerActive(true);
    EXPECT_EQ(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    SendMessageW(main, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);  // another program kept the session going
    window.processPendingEvents();
    EXPECT_EQ(std::count(events.calls.begin(), events.calls.end(), "Sair1Click"), 0) << "asking ends nothing";
    events.calls.clear();
    SendMessageW(main, WM_TIMER, Win32MainWindow::kCycleTimerId, 0);
    EXPECT_EQ(events.calls, std::vector<std::string>{"Timer1Timer"}) << "a session that goes on keeps its cycle";

    // The monitor's end lets pending messages run: neither a tick already queued nor a new one may start work.
    events.onQuit = [&] {
        SendMessageW(main, WM_TIMER, Win32MainWindow::kCycleTimerId, 0);
        SendMessageW(main, WM_TIMER, Win32MainWindow::kDisconnectTimerId, 0);
        window.processPendingEvents();
    };
    SendMessageW(main, WM_TIMER, Win32MainWindow::kDisconnectTimerId, 0);
    events.calls.clear();
    SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    window.processPendingEvents();
    EXPECT_EQ(events.calls, std::vector<std::string>{"Sair1Click"});
}

// Right after log-on Explorer may not take the icon yet. A notification area refuses an icon whose window and id
// it holds already, which stands in here for one that is not ready.
TEST_F(MainWindowTest, ATrayIconTheNotificationAreaRefusedIsTriedAgainUntilItIsThere) {
    stopTheWatch();
    HWND main = window.handle();
    NOTIFYICONDATAW other{};
    other.cbSize = sizeof other;
    other.hWnd = main;
    other.uFlags = NIF_TIP;
    lstrcpyW(other.szTip, L"outro");
    if (!Shell_NotifyIconW(NIM_ADD, &other)) {
        GTEST_SKIP() << "no notification area on this desktop";
    }
    window.showTrayIcon();
    EXPECT_FALSE(window.trayIconShown());
    EXPECT_TRUE(window.trayIconRetrying());
    SendMessageW(main, WM_TIMER, Win32MainWindow::kTrayRetryTimerId, 0);
    EXPECT_FALSE(window.trayIconShown());
    EXPECT_TRUE(window.trayIconRetrying()) << "still refused: tried again later";

    Shell_NotifyIconW(NIM_DELETE, &other);
    SendMessageW(main, WM_TIMER, Win32MainWindow::kTrayRetryTimerId, 0);
    EXPECT_TRUE(window.trayIconShown());
    EXPECT_FALSE(window.trayIconRetrying());
    SendMessageW(main, WM_TIMER, Win32MainWindow::kTrayRetryTimerId, 0);  // a tick queued before it stopped
    EXPECT_TRUE(window.trayIconShown());

    // Explorer started again: the icon comes back at once, also where the notification area kept it.
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    SendMessageW(main, taskbarCreated, 0, 0);
    EXPECT_TRUE(window.trayIconShown());
    EXPECT_FALSE(window.trayIconRetrying());
    Shell_NotifyIconW(NIM_DELETE, &other);  // the same window and id: the monitor's icon
    SendMessageW(main, taskbarCreated, 0, 0);
    EXPECT_TRUE(window.trayIconShown());
    EXPECT_FALSE(window.trayIconRetrying());
}

HWND findMessageBox(const wchar_t* title) { return test::findOwnWindow(L"#32770", title); }

struct BoxContents {
    HICON icon = nullptr;
    bool hasText = false;
};

BoxContents inspectBox(HWND box, const std::wstring& text) {
    BoxContents contents;
    struct Search {
        BoxContents* contents;
        const std::wstring* text;
    } search{&contents, &text};
    EnumChildWindows(
        box,
        [](HWND child, LPARAM data) -> BOOL {
            auto* found = reinterpret_cast<Search*>(data);
            const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
            wchar_t className[32]{};
            GetClassNameW(child, className, 32);
            if (std::wstring(className) == L"Static" && (style & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child)) {
                found->contents->icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
            }
            if (windowText(child) == *found->text) {
                found->contents->hasText = true;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return contents;
}

TEST_F(MainWindowTest, MessageBoxesHaveTheirIconAndTheWindowAsOwner) {
    struct Case {
        MessageIcon icon;
        WORD systemIcon;  // the icon's resource id; 0 for none
    };
    // IDI_HAND, IDI_EXCLAMATION and IDI_ASTERISK, by number, whichever text width windows.h was set for.
    for (const Case& c : {Case{MessageIcon::Error, 32513}, Case{MessageIcon::Warning, 32515},
                          Case{MessageIcon::Information, 32516}, Case{MessageIcon::None, 0}}) {
        BoxContents contents;
        HWND owner = nullptr;
        {
            test::WhileModal look([&] {
                HWND box = findMessageBox(L"Aviso do Sistema");
                if (box == nullptr) {
                    return false;
                }
                contents = inspectBox(box, L"Não foi possível acessar a pasta Dados no Servidor.");
                owner = GetWindow(box, GW_OWNER);
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return true;
            });
            window.showMessageBox("Aviso do Sistema", "Não foi possível acessar a pasta Dados no Servidor.", c.icon);
            EXPECT_FALSE(look.gaveUp());
        }
        const int index = static_cast<int>(c.icon);
        EXPECT_TRUE(contents.hasText) << index;
        EXPECT_EQ(owner, window.handle()) << index;
        if (c.systemIcon != 0) {
            EXPECT_EQ(contents.icon, LoadIconW(nullptr, MAKEINTRESOURCEW(c.systemIcon))) << index;
        } else {
            EXPECT_EQ(contents.icon, nullptr) << index;
        }
    }
}

TEST_F(MainWindowTest, TheWatchKeepsTickingBehindItsOwnMessageBox) {
    window.setDisconnectTimerActive(true);  // its next real tick is 5 s away
    HWND main = window.handle();
    int depth = 0;
    bool tickedBehindTheBox = false;
    events.onDisconnectWatch = [&] {
        if (depth > 0) {
            tickedBehindTheBox = true;
            return;
        }
        ++depth;
        window.showMessageBox("Aviso do Sistema", "Não foi possível acessar a pasta Dados no Servidor.",
                              MessageIcon::Error);
        --depth;
    };
    bool tickSent = false;
    test::WhileModal drive([&] {
        HWND box = findMessageBox(L"Aviso do Sistema");
        if (box == nullptr) {
            return false;
        }
        if (!tickSent) {
            tickSent = true;
            PostMessageW(main, WM_TIMER, Win32MainWindow::kDisconnectTimerId, 0);  // the next tick, while the box waits
            return false;
        }
        if (!tickedBehindTheBox) {
            return false;
        }
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return true;
    });
    PostMessageW(main, WM_TIMER, Win32MainWindow::kDisconnectTimerId, 0);
    window.processPendingEvents();

    EXPECT_FALSE(drive.gaveUp());
    EXPECT_TRUE(tickedBehindTheBox);
    EXPECT_EQ(events.calls, (std::vector<std::string>{"Timer2Timer", "Timer2Timer"}));
}

TEST_F(MainWindowTest, AnExceptionOfAHandlerComesOutWhereTheMessagesArePumped) {
    events.onCycleTimer = [] { throw std::runtime_error("ciclo"); };
    window.setCycleTimerActive(true);
    PostMessageW(window.handle(), WM_TIMER, Win32MainWindow::kCycleTimerId, 0);
    EXPECT_THROW(window.processPendingEvents(), std::runtime_error);
    EXPECT_NO_THROW(window.processPendingEvents());  // thrown once

    PostMessageW(window.handle(), WM_TIMER, Win32MainWindow::kCycleTimerId, 0);
    EXPECT_THROW(window.runMessageLoop(), std::runtime_error);
}

TEST_F(MainWindowTest, TheMessageLoopEndsOnAQuitAskedForBeforeItRan) {
    window.quitMessageLoop(3);
    EXPECT_EQ(window.runMessageLoop(), 3);
}

TEST_F(MainWindowTest, AQuitTakenByAnEarlyPumpStillEndsTheMessageLoop) {
    window.quitMessageLoop(4);
    window.processPendingEvents();
    EXPECT_EQ(window.runMessageLoop(), 4);
}

}  // namespace
}  // namespace velmora
