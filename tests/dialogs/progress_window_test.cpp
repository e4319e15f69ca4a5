#include "dialogs/progress_window.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialogs/progress_gauge.h"
#include "qt_application.h"

namespace velmora {
namespace {

class ProgressWindowTest : public ::testing::Test {
protected:
    void SetUp() override { qtApplication(); }
    void TearDown() override {
        progressWindow.closeProgress();
        deleteClosedWindows();
    }

    ProgressForm& openForm() {
        progressWindow.openProgress();
        ProgressForm* form = progressWindow.progressForm();
        if (form == nullptr) {
            throw std::logic_error("AbrirProgresso left no window");
        }
        return *form;
    }

    // The path a click on the title bar's close box takes.
    static void clickCloseBox(ProgressForm& form) {
        ASSERT_NE(form.windowHandle(), nullptr);
        form.windowHandle()->close();
    }

    QtProgressWindow progressWindow;
};

TEST_F(ProgressWindowTest, LayoutOfTheWindow) {
    ProgressForm& form = openForm();

    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.objectName(), "frmProgressoGeral");
    EXPECT_EQ(form.windowTitle(), "frmProgressoGeral");
    EXPECT_EQ(form.size(), QSize(330, 96));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_EQ(form.titleLabel()->geometry(), QRect(18, 16, 297, 13));
    EXPECT_EQ(form.gaugeBar()->geometry(), QRect(18, 38, 297, 20));
    EXPECT_EQ(form.footerLabel()->geometry(), QRect(18, 72, 297, 13));
    EXPECT_EQ(form.font().pointSize(), 8);
    EXPECT_EQ(form.gaugeBar()->progress(), 0);

    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));

    const QPoint screenCentre = QGuiApplication::primaryScreen()->geometry().center();
    const QPoint offset = form.frameGeometry().center() - screenCentre;
    EXPECT_LE(offset.manhattanLength(), 1) << offset.x() << "," << offset.y();
}

struct GaugeCase {
    int minimum;
    int maximum;
    long long progress;
    int expectedProgress;
    int expectedPercent;
};

TEST_F(ProgressWindowTest, GaugeShowsTheTruncatedPercentageOfItsClampedProgress) {
    const std::vector<GaugeCase> cases = {
        {0, 7, 3, 3, 42},
        {0, 3, 2, 2, 66},
        {10, 20, 15, 15, 50},
        {0, 3, 5, 3, 100},
        {10, 20, 4, 10, 0},
        {0, 0, 0, 0, 0},
        {5, 5, 9, 5, 0},
        {0, INT_MAX, INT_MAX - 1, INT_MAX - 1, 99},
        {INT_MIN, INT_MAX, 0, 0, 50},
    };
    for (const auto& c : cases) {
        ProgressGauge gauge(nullptr);
        gauge.setMaxValue(c.maximum);
        gauge.setMinValue(c.minimum);
        gauge.setProgress(c.progress);
        const std::string label =
            std::to_string(c.progress) + " of " + std::to_string(c.minimum) + ".." + std::to_string(c.maximum);
        EXPECT_EQ(gauge.progress(), c.expectedProgress) << label;
        EXPECT_EQ(gauge.percentDone(), c.expectedPercent) << label;
        EXPECT_EQ(gauge.text(), QString::number(c.expectedPercent) + "%") << label;
    }
}

TEST_F(ProgressWindowTest, StartingARunSetsTheTextsAndAdvancingStopsAtTheMaximum) {
    ProgressForm& form = openForm();
    progressWindow.startProgress("Aguarde ...", "Gerando a planilha... ...", "Aguarde o processamento...", 0, 3);

    EXPECT_EQ(form.windowTitle(), "Aguarde ...");
    EXPECT_EQ(form.titleLabel()->text(), "Gerando a planilha... ...");
    EXPECT_EQ(form.footerLabel()->text(), "Aguarde o processamento...");
    EXPECT_EQ(form.gaugeBar()->text(), "0%");

    progressWindow.advanceProgress();
    EXPECT_EQ(form.gaugeBar()->text(), "33%");
    for (int i = 0; i < 4; ++i) {
        progressWindow.advanceProgress();
    }
    EXPECT_EQ(form.gaugeBar()->progress(), 3);
    EXPECT_EQ(form.gaugeBar()->text(), "100%");

    // A run without result rows.
    progressWindow.startProgress("Aguarde ...", "Gerando a planilha... ...", "Aguarde o processamento...", 0, 0);
    progressWindow.advanceProgress();
    EXPECT_EQ(form.gaugeBar()->progress(), 0);
    EXPECT_EQ(form.gaugeBar()->text(), "0%");
}

TEST_F(ProgressWindowTest, ASecondRangeStartsFromAnEmptyGauge) {
    struct RestartCase {
        int minimum;
        int maximum;
        int expectedProgress;
    };
    // A gauge that kept its old progress would show 100% for 0..3 and start 0..20 at 7.
    for (const RestartCase c : {RestartCase{0, 20, 0}, RestartCase{0, 3, 0}, RestartCase{10, 20, 10},
                                RestartCase{0, 0, 0}}) {
        ProgressForm& form = openForm();
        progressWindow.startProgress("Aguarde ...", "Obtendo dados do relatório... ...", "Aguarde o processamento...",
                                     0, 7);
        for (int step = 0; step < 7; ++step) {
            progressWindow.advanceProgress();
        }
        ASSERT_EQ(form.gaugeBar()->text(), "100%");

        progressWindow.startProgress("Aguarde ...", "Gerando a planilha... ...", "Aguarde o processamento...",
                                     c.minimum, c.maximum);
        const std::string label = std::to_string(c.minimum) + ".." + std::to_string(c.maximum);
        EXPECT_EQ(form.gaugeBar()->minValue(), c.minimum) << label;
        EXPECT_EQ(form.gaugeBar()->maxValue(), c.maximum) << label;
        EXPECT_EQ(form.gaugeBar()->progress(), c.expectedProgress) << label;
        EXPECT_EQ(form.gaugeBar()->text(), "0%") << label;
        progressWindow.closeProgress();
    }
}

TEST_F(ProgressWindowTest, ClosingByTheCloseBoxLeavesTheRunUndisturbed) {
    ProgressForm& form = openForm();
    const QPointer<ProgressForm> closedForm(&form);
    progressWindow.startProgress("Aguarde ...", "Gerando a planilha... ...", "Aguarde o processamento...", 0, 10);
    progressWindow.advanceProgress();

    clickCloseBox(form);
    EXPECT_EQ(progressWindow.progressForm(), nullptr);
    deleteClosedWindows();
    EXPECT_TRUE(closedForm.isNull());

    progressWindow.advanceProgress();
    progressWindow.startProgress("Aguarde ...", "Gerando a planilha... ...", "Aguarde o processamento...", 0, 5);
    progressWindow.advanceProgress();
    progressWindow.closeProgress();
    EXPECT_EQ(progressWindow.progressForm(), nullptr);

    ProgressForm& reopened = openForm();
    EXPECT_TRUE(reopened.isVisible());
}

TEST_F(ProgressWindowTest, OpeningAgainAfterClosingGivesAFreshWindow) {
    const QPointer<ProgressForm> first(&openForm());
    progressWindow.startProgress("Aguarde ...", "Obtendo dados do relatório... ...", "Aguarde o processamento...", 0,
                                 7);
    progressWindow.advanceProgress();
    progressWindow.closeProgress();
    EXPECT_EQ(progressWindow.progressForm(), nullptr);
    ASSERT_FALSE(first.isNull());
    EXPECT_FALSE(first->isVisible());
    deleteClosedWindows();
    EXPECT_TRUE(first.isNull());

    ProgressForm& second = openForm();
    EXPECT_TRUE(second.isVisible());
    EXPECT_EQ(second.windowTitle(), "frmProgressoGeral");
    EXPECT_EQ(second.gaugeBar()->progress(), 0);
    progressWindow.startProgress("Aguarde ...", "Gerando a planilha... ...", "Aguarde o processamento...", 0, 2);
    progressWindow.advanceProgress();
    EXPECT_EQ(second.gaugeBar()->text(), "50%");
}

TEST_F(ProgressWindowTest, OpeningTwiceClosesTheEarlierWindow) {
    const QPointer<ProgressForm> first(&openForm());
    ProgressForm& second = openForm();
    EXPECT_NE(&second, first.data());
    ASSERT_FALSE(first.isNull());
    EXPECT_FALSE(first->isVisible());
    EXPECT_TRUE(second.isVisible());
}

TEST_F(ProgressWindowTest, OperationsLeavePendingEventsWaiting) {
    bool delivered = false;
    QTimer::singleShot(0, qtApplication().instance(), [&delivered] { delivered = true; });
    openForm();
    progressWindow.startProgress("Aguarde ...", "Gerando a planilha... ...", "Aguarde o processamento...", 0, 2);
    progressWindow.advanceProgress();
    progressWindow.closeProgress();
    EXPECT_FALSE(delivered);
    QCoreApplication::processEvents();
    EXPECT_TRUE(delivered);
}

TEST_F(ProgressWindowTest, AWindowStillOpenWhenItsOwnerEndsIsClosed) {
    QPointer<ProgressForm> form;
    {
        QtProgressWindow owner;
        owner.openProgress();
        form = owner.progressForm();
    }
    ASSERT_FALSE(form.isNull());
    EXPECT_FALSE(form->isVisible());
    deleteClosedWindows();
    EXPECT_TRUE(form.isNull());
}

}  // namespace
}  // namespace velmora
