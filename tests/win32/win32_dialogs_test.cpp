#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <numeric>
#include <string>
#include <vector>

#include "dialogs/win32_generic_message.h"
#include "dialogs/win32_progress_window.h"
#include "support/fake_clock.h"
#include "win32_test_support.h"

namespace velmora {
namespace {

using win32::windowText;

HWND openGenericMessage() { return test::findOwnWindow(L"VelmoraMensagemGenerica", L"Aviso do Sistema"); }

struct SeenNotice {
    HWND window = nullptr;
    SIZE outer{};
    std::wstring text;
    bool checkBoxVisible = true;
    bool okVisible = true;
    int sleepsWhileShown = 0;
};

// Looks at the window from inside the caller's wait, where it must be up.
class WatchingClock final : public Clock {
public:
    explicit WatchingClock(SeenNotice& seen) : seen_(seen) {}
    DateTime now() const override { return inner.now(); }
    void sleep(std::chrono::milliseconds duration) override {
        if (HWND window = openGenericMessage()) {
            ++seen_.sleepsWhileShown;
            if (seen_.window == nullptr) {
                seen_.window = window;
                seen_.outer = test::outerSizeOf(window);
                seen_.text = windowText(GetDlgItem(window, kGenericMessageLabel));
                seen_.checkBoxVisible = IsWindowVisible(GetDlgItem(window, kGenericMessageCheckBox));
                seen_.okVisible = IsWindowVisible(GetDlgItem(window, kGenericMessageOkButton));
            }
        }
        inner.sleep(duration);
    }

    test::FakeClock inner;

private:
    SeenNotice& seen_;
};

TEST(Win32GenericMessage, ANoticeShowsOnlyItsTextForFiveSecondsAndCloses) {
    SeenNotice seen;
    WatchingClock clock(seen);
    showWin32GenericMessageWindow("O aplicativo C:\\velmora\\velmoraMonitorPublicacao.exe já está sendo executado em outra "
                                  "sessão de trabalho.",
                                  false, true, clock);

    const auto waited = std::accumulate(clock.inner.sleeps.begin(), clock.inner.sleeps.end(),
                                        std::chrono::milliseconds{0});
    EXPECT_EQ(waited, std::chrono::milliseconds{5000});
    ASSERT_NE(seen.window, nullptr);
    EXPECT_EQ(seen.sleepsWhileShown, static_cast<int>(clock.inner.sleeps.size()));  // up for the whole wait
    EXPECT_EQ(seen.outer.cx, 540);
    EXPECT_EQ(seen.outer.cy, 80);
    EXPECT_EQ(seen.text, L"O aplicativo C:\\velmora\\velmoraMonitorPublicacao.exe já está sendo executado em outra "
                         L"sessão de trabalho.");
    EXPECT_FALSE(seen.checkBoxVisible);
    EXPECT_FALSE(seen.okVisible);
    EXPECT_FALSE(IsWindow(seen.window));  // closed when the call returned
}

TEST(Win32GenericMessage, AConfirmationReturnsAtOnceAndClosesOnlyByTheTickedBoxAndOk) {
    test::FakeClock clock;
    showWin32GenericMessageWindow("Há uma nova versão.", true, false, clock);
    EXPECT_TRUE(clock.sleeps.empty());

    HWND window = openGenericMessage();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(test::outerSizeOf(window).cx, 540);
    EXPECT_EQ(test::outerSizeOf(window).cy, 200);
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_STYLE) & WS_SYSMENU);  // no close box
    HWND checkBox = GetDlgItem(window, kGenericMessageCheckBox);
    HWND ok = GetDlgItem(window, kGenericMessageOkButton);
    EXPECT_EQ(windowText(checkBox), L"Estou ciente destas informações.");
    EXPECT_TRUE(IsWindowVisible(checkBox));
    EXPECT_TRUE(IsWindowVisible(ok));
    EXPECT_FALSE(IsWindowEnabled(ok));

    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window));

    SendMessageW(checkBox, BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(ok));
    SendMessageW(checkBox, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindowEnabled(ok));
    SendMessageW(checkBox, BM_CLICK, 0, 0);
    SendMessageW(ok, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(window));
}

class Win32ProgressWindowTest : public ::testing::Test {
protected:
    HWND openForm() {
        progressWindow.openProgress();
        return progressWindow.progressForm();
    }
    int shownPercent() const {
        return static_cast<int>(
            SendMessageW(GetDlgItem(progressWindow.progressForm(), kProgressGauge), PBM_GETPOS, 0, 0));
    }

    Win32ProgressWindow progressWindow;
};

TEST_F(Win32ProgressWindowTest, TheWindowIsLaidOutAsDesignedAndCentred) {
    HWND form = openForm();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(IsWindowVisible(form));
    EXPECT_EQ(windowText(form), L"frmProgressoGeral");
    const SIZE client = test::clientSizeOf(form);
    EXPECT_EQ(client.cx, 330);
    EXPECT_EQ(client.cy, 96);
    const LONG_PTR style = GetWindowLongPtrW(form, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);

    const auto bounds = [form](int id) {
        const RECT box = test::childBounds(GetDlgItem(form, id));  // left, top, width, height
        return std::vector<LONG>{box.left, box.top, box.right, box.bottom};
    };
    EXPECT_EQ(bounds(kProgressTitle), (std::vector<LONG>{18, 16, 297, 13}));
    EXPECT_EQ(bounds(kProgressGauge), (std::vector<LONG>{18, 38, 297, 20}));
    EXPECT_EQ(bounds(kProgressFooter), (std::vector<LONG>{18, 72, 297, 13}));
    EXPECT_EQ(shownPercent(), 0);

    RECT outer{};
    GetWindowRect(form, &outer);
    EXPECT_LE(std::abs(outer.left + outer.right - GetSystemMetrics(SM_CXSCREEN)), 2);
    EXPECT_LE(std::abs(outer.top + outer.bottom - GetSystemMetrics(SM_CYSCREEN)), 2);
}

TEST_F(Win32ProgressWindowTest, StartingARunSetsTheTextsAndAdvancingStopsAtTheMaximum) {
    HWND form = openForm();
    progressWindow.startProgress("Aguarde ...", "Gerando a planilha... ...", "Aguarde o processamento...", 0, 3);
    EXPECT_EQ(windowText(form), L"Aguarde ...");
    EXPECT_EQ(windowText(GetDlgItem(form, kProgressTitle)), L"Gerando a planilha... ...");
    EXPECT_EQ(windowText(GetDlgItem(form, kProgressFooter)), L"Aguarde o processamento...");
    EXPECT_EQ(shownPercent(), 0);

    progressWindow.advanceProgress();
    EXPECT_EQ(shownPercent(), 33);
    for (int i = 0; i < 4; ++i) {
        progressWindow.advanceProgress();
    }
    EXPECT_EQ(progressWindow.gauge().progress(), 3);
    EXPECT_EQ(shownPercent(), 100);
}

TEST_F(Win32ProgressWindowTest, ASecondRangeStartsFromZeroWhateverTheFirstWas) {
    openForm();
    progressWindow.startProgress("Aguarde ...", "Obtendo dados do relatório... ...", "Aguarde o processamento...", 0, 7);
    for (int i = 0; i < 7; ++i) {
        progressWindow.advanceProgress();
    }
    EXPECT_EQ(shownPercent(), 100);
    progressWindow.startProgress("Aguarde ...", "Gerando a planilha... ...", "Aguarde o processamento...", 0, 2);
    EXPECT_EQ(progressWindow.gauge().progress(), 0);
    EXPECT_EQ(progressWindow.gauge().maxValue(), 2);
    EXPECT_EQ(shownPercent(), 0);
    progressWindow.advanceProgress();
    EXPECT_EQ(shownPercent(), 50);

    progressWindow.startProgress("Aguarde ...", "Gerando a planilha... ...", "Aguarde o processamento...", 0, 0);
    progressWindow.advanceProgress();
    EXPECT_EQ(shownPercent(), 0);  // a run without rows

    progressWindow.startProgress("Aguarde ...", "Gerando a planilha... ...", "Aguarde o processamento...", 10, 20);
    EXPECT_EQ(progressWindow.gauge().minValue(), 10);
    EXPECT_EQ(progressWindow.gauge().progress(), 10);  // pulled into the range
    EXPECT_EQ(shownPercent(), 0);
}

TEST(Win32GaugeRange, ThePercentageIsTruncatedAndTheProgressClamped) {
    struct Case {
        int minimum;
        int maximum;
        long long progress;
        int expectedProgress;
        int expectedPercent;
    };
    const std::vector<Case> cases = {
        {0, 7, 3, 3, 42},          {0, 3, 2, 2, 66}, {10, 20, 15, 15, 50}, {0, 3, 5, 3, 100},
        {10, 20, 4, 10, 0},        {0, 0, 0, 0, 0},  {5, 5, 9, 5, 0},      {0, INT_MAX, INT_MAX - 1, INT_MAX - 1, 99},
        {INT_MIN, INT_MAX, 0, 0, 50},
    };
    for (const Case& c : cases) {
        GaugeRange gauge;
        gauge.setMaxValue(c.maximum);
        gauge.setMinValue(c.minimum);
        gauge.setProgress(c.progress);
        const std::string label =
            std::to_string(c.progress) + " of " + std::to_string(c.minimum) + ".." + std::to_string(c.maximum);
        EXPECT_EQ(gauge.progress(), c.expectedProgress) << label;
        EXPECT_EQ(gauge.percentDone(), c.expectedPercent) << label;
    }
}

TEST_F(Win32ProgressWindowTest, TheCloseBoxEndsTheWindowAndTheRunGoesOnUndisturbed) {
    HWND form = openForm();
    progressWindow.startProgress("Aguarde ...", "Gerando a planilha... ...", "Aguarde o processamento...", 0, 5);
    SendMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    EXPECT_FALSE(IsWindow(form));
    EXPECT_EQ(progressWindow.progressForm(), nullptr);

    progressWindow.advanceProgress();
    progressWindow.startProgress("Aguarde ...", "Gerando a planilha... ...", "Aguarde o processamento...", 0, 5);
    progressWindow.closeProgress();

    HWND again = openForm();
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(IsWindowVisible(again));
}

TEST_F(Win32ProgressWindowTest, OnlyOneWindowIsOpenAndItGoesWithItsOwner) {
    HWND first = openForm();
    HWND second = openForm();
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(IsWindow(second));
    HWND third = nullptr;
    {
        Win32ProgressWindow other;
        other.openProgress();
        third = other.progressForm();
        EXPECT_TRUE(IsWindow(third));
    }
    EXPECT_FALSE(IsWindow(third));
    progressWindow.closeProgress();
    EXPECT_FALSE(IsWindow(second));
}

}  // namespace
}  // namespace velmora
