#include <gtest/gtest.h>

#include <QPointer>

#include "dialogs/generic_message.h"
#include "qt_application.h"
#include "support/fake_clock.h"

namespace velmora {
namespace {

GenericMessageWindow* openWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = dynamic_cast<GenericMessageWindow*>(widget); window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

TEST(GenericMessage, ANoticeShowsOnlyItsTextAndClosesItselfAfterFiveSeconds) {
    qtApplication();
    test::FakeClock clock;
    QPointer<GenericMessageWindow> seen;
    // The window must be up while the caller waits: look at it from inside the wait.
    struct WatchingClock final : Clock {
        test::FakeClock& inner;
        QPointer<GenericMessageWindow>& seen;
        WatchingClock(test::FakeClock& c, QPointer<GenericMessageWindow>& s) : inner(c), seen(s) {}
        DateTime now() const override { return inner.now(); }
        void sleep(std::chrono::milliseconds duration) override {
            seen = openWindow();
            inner.sleep(duration);
        }
    } watching(clock, seen);

    showGenericMessageWindow("O aplicativo já está sendo executado em outra sessão de trabalho.", false, true, watching);

    EXPECT_EQ(clock.sleeps, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(5000)});
    ASSERT_FALSE(seen.isNull());
    EXPECT_EQ(seen->windowTitle(), QStringLiteral("Aviso do Sistema"));
    EXPECT_EQ(seen->messageLabel()->text(),
              QStringLiteral("O aplicativo já está sendo executado em outra sessão de trabalho."));
    EXPECT_EQ(seen->frameGeometry().height(), 80);
    EXPECT_EQ(seen->frameGeometry().width(), 540);
    EXPECT_FALSE(seen->agreeBox()->isVisible());
    EXPECT_FALSE(seen->okButton()->isVisible());
    EXPECT_FALSE(seen->isVisible());  // closed after the wait
    deleteClosedWindows();
    EXPECT_TRUE(seen.isNull());
}

TEST(GenericMessage, AConfirmationWaitsForTheTickedBoxAndOk) {
    qtApplication();
    test::FakeClock clock;
    showGenericMessageWindow("Há uma nova versão.", true, false, clock);
    EXPECT_TRUE(clock.sleeps.empty());  // returns at once

    QPointer<GenericMessageWindow> window = openWindow();
    ASSERT_FALSE(window.isNull());
    EXPECT_EQ(window->frameGeometry().height(), 200);
    EXPECT_TRUE(window->agreeBox()->isVisible());
    EXPECT_FALSE(window->okButton()->isEnabled());

    window->agreeBox()->click();
    EXPECT_TRUE(window->okButton()->isEnabled());
    window->agreeBox()->click();
    EXPECT_FALSE(window->okButton()->isEnabled());

    window->agreeBox()->click();
    window->okButton()->click();
    EXPECT_FALSE(window->isVisible());
    deleteClosedWindows();
    EXPECT_TRUE(window.isNull());
}

}  // namespace
}  // namespace velmora
