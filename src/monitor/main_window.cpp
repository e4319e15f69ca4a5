#include "monitor/main_window.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <cstdio>
#include <cstdlib>

#include "dialogs/generic_message.h"

namespace velmora {

namespace {

constexpr int kCycleIntervalMs = 60000;
constexpr int kDisconnectIntervalMs = 5000;

// The outcome of each report's last attempt comes after the hidden TP_PUBLICACAO, beyond the four columns of the
// schedule; the grid scrolls sideways to it.
enum GridColumn { ColId, ColName, ColPublication, ColLast, ColNext, ColKind, ColOutcome, ColumnCount };

QString qt(const std::string& text) { return QString::fromStdString(text); }

// With VELMORA_TRACE set, what the window shows is also written to standard output, so that a person
// or a script running the monitor without a screen can follow it.
void trace(const char* what, const std::string& text) {
    static const bool enabled = std::getenv("VELMORA_TRACE") != nullptr;
    if (enabled) {
        std::printf("[monitor] %s: %s\n", what, text.c_str());
        std::fflush(stdout);
    }
}

QIcon applicationIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x1f, 0x5f, 0xa8));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(1, 1, 30, 30, 6, 6);
    painter.setPen(Qt::white);
    QFont font(QStringLiteral("Sans"), 16, QFont::Bold);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("V"));
    return QIcon(pixmap);
}

QFrame* bevel(QWidget* parent, int top) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(8, top, 641, 2);
    return line;
}

QLabel* label(QWidget* parent, const QString& text, int left, int top, int width, bool bold = false) {
    auto* result = new QLabel(text, parent);
    result->setGeometry(left, top, width, 16);
    if (bold) {
        QFont font = result->font();
        font.setBold(true);
        result->setFont(font);
    }
    return result;
}

}  // namespace

MainWindow::MainWindow(Clock& clock) : clock_(clock) {
    setWindowTitle(QStringLiteral("velmora Monitor Publicação"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    QFont font(QStringLiteral("MS Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    setFont(font);
    setFixedSize(656, 365);
    setWindowIcon(applicationIcon());
    buildLayout();
    buildTray();

    cycleTimer_.setInterval(kCycleIntervalMs);
    disconnectTimer_.setInterval(kDisconnectIntervalMs);
    connect(&cycleTimer_, &QTimer::timeout, this, [this] { if (monitor_) monitor_->cycleTimerFired(); });
    // Qt holds a timer's next tick back while its previous one is still being handled, and the watch's message
    // box is opened from inside that handler: handled from a queued call instead, the watch keeps ticking
    // behind its own box and can still end the monitor that nobody is there to click for.
    connect(&disconnectTimer_, &QTimer::timeout, this, [this] {
        QMetaObject::invokeMethod(this, [this] { if (monitor_) monitor_->disconnectWatchFired(); }, Qt::QueuedConnection);
    });
    disconnectTimer_.start();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

MainWindow::~MainWindow() { trayIcon_.hide(); }

void MainWindow::buildLayout() {
    auto* reportsGroup = new QGroupBox(QStringLiteral("Processos sendo monitorados"), this);
    reportsGroup->setGeometry(8, 4, 641, 202);
    QFont bold = reportsGroup->font();
    bold.setBold(true);
    reportsGroup->setFont(bold);

    reportsGrid_ = new QTableWidget(0, ColumnCount, reportsGroup);
    reportsGrid_->setGeometry(9, 22, 623, 172);
    QFont plain = font();
    plain.setBold(false);  // set explicitly, or the grid inherits the frame's bold title font
    reportsGrid_->setFont(plain);
    reportsGrid_->horizontalHeader()->setFont(plain);
    reportsGrid_->setHorizontalHeaderLabels({QStringLiteral("ID"), QStringLiteral("Planilha"),
                                                 QStringLiteral("Tipo de Publicação"), QStringLiteral("Última Publicação"),
                                                 QStringLiteral("Próxima Publicação"), QStringLiteral("TP_PUBLICACAO"),
                                                 QStringLiteral("Último resultado")});
    reportsGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    reportsGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
    reportsGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    reportsGrid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    reportsGrid_->horizontalHeader()->setHighlightSections(false);
    reportsGrid_->verticalHeader()->setDefaultSectionSize(18);
    reportsGrid_->verticalHeader()->setFixedWidth(12);
    // The widths were chosen for a narrow 8-point font; a wider one still shows each title whole.
    const QFontMetrics metrics(plain);
    for (const auto& [column, width] :
         {std::pair{ColName, 250}, {ColPublication, 100}, {ColLast, 100}, {ColNext, 100}, {ColOutcome, 220}}) {
        const int titleWidth = metrics.horizontalAdvance(reportsGrid_->horizontalHeaderItem(column)->text()) + 12;
        reportsGrid_->setColumnWidth(column, std::max(width, titleWidth));
    }
    reportsGrid_->setColumnHidden(ColId, true);
    reportsGrid_->setColumnHidden(ColKind, true);

    bevel(this, 212);
    label(this, QStringLiteral("Processando:"), 12, 220, 80);
    processingLabel_ = label(this, {}, 96, 220, 550);
    label(this, QStringLiteral("Observações:"), 12, 240, 80);
    observationLabel_ = label(this, {}, 96, 240, 550);
    bevel(this, 262);
    versionLabel_ = label(this, QStringLiteral("VERSÃO:"), 215, 270, 225);
    versionLabel_->setAlignment(Qt::AlignHCenter);
    activeSinceLabel_ = label(this, QStringLiteral("Ativo desde: "), 215, 288, 225);
    activeSinceLabel_->setAlignment(Qt::AlignHCenter);
    bevel(this, 312);
    label(this, QStringLiteral("Situação:"), 12, 332, 60, true);
    statusLabel_ = label(this, {}, 74, 332, 170);

    remindersNowButton_ = new QPushButton(QStringLiteral("Forçar Email"), this);
    remindersNowButton_->setGeometry(330, 324, 100, 30);
    publishNowButton_ = new QPushButton(QStringLiteral("Publicar Agora"), this);
    publishNowButton_->setGeometry(438, 324, 100, 30);
    hideButton_ = new QPushButton(QStringLiteral("Minimizar"), this);
    hideButton_->setGeometry(546, 324, 100, 30);

    connect(remindersNowButton_, &QPushButton::clicked, this, [this] { if (monitor_) monitor_->remindersNowRequested(); });
    connect(publishNowButton_, &QPushButton::clicked, this, [this] { if (monitor_) monitor_->publishNowRequested(); });
    connect(hideButton_, &QPushButton::clicked, this, [this] { if (monitor_) monitor_->hideRequested(); });
}

void MainWindow::buildTray() {
    QAction* open = trayMenu_.addAction(QStringLiteral("&Abrir Monitor Publicação"));
    trayMenu_.addSeparator();
    QAction* quit = trayMenu_.addAction(QStringLiteral("&Sair"));
    connect(open, &QAction::triggered, this, [this] { if (monitor_) monitor_->openRequested(); });
    connect(quit, &QAction::triggered, this, [this] { if (monitor_) monitor_->quitRequested(); });

    trayIcon_.setIcon(applicationIcon());
    trayIcon_.setToolTip(QApplication::applicationDisplayName());
    trayIcon_.setContextMenu(&trayMenu_);
    connect(&trayIcon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick && monitor_) {
            monitor_->openRequested();
        }
    });
}

void MainWindow::showTrayIcon() {
    // Without a notification area the monitor runs the same, its window minimised instead of hidden.
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        trayIcon_.show();
    }
}

void MainWindow::showWindow() {
    show();
    raise();
    activateWindow();
}

void MainWindow::hideWindow() {
    // With no notification area a hidden window could never be opened again: keep it minimised instead.
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        hide();
    } else {
        showMinimized();
    }
}

void MainWindow::setLabel(QLabel* label, const std::string& text) {
    label->setText(qt(text));
    label->repaint();
}

void MainWindow::setVersionText(const std::string& text) {
    setLabel(versionLabel_, text);
    trace("Rótulo", text);
}

void MainWindow::setActiveSinceText(const std::string& text) { setLabel(activeSinceLabel_, text); }

void MainWindow::setStatusWord(const std::string& text) {
    setLabel(statusLabel_, text);
    trace("Situação", text);
}

void MainWindow::setProcessingText(const std::string& text) {
    setLabel(processingLabel_, text);
    if (!text.empty()) {
        trace("Processando", text);
    }
}

void MainWindow::setObservationText(const std::string& text) {
    setLabel(observationLabel_, text);
    if (!text.empty()) {
        trace("Observações", text);
    }
}

void MainWindow::processPendingEvents() { QApplication::processEvents(); }

void MainWindow::showMessageBox(const std::string& title, const std::string& text, MessageIcon icon) {
    trace("Mensagem", text);
    if (unattended_) {
        return;
    }
    const QMessageBox::Icon shown = icon == MessageIcon::Error     ? QMessageBox::Critical
                                    : icon == MessageIcon::Warning ? QMessageBox::Warning
                                    : icon == MessageIcon::None    ? QMessageBox::NoIcon
                                                                   : QMessageBox::Information;
    QMessageBox box(shown, qt(title), qt(text), QMessageBox::Ok);
    box.exec();
}

void MainWindow::showGenericMessage(const std::string& text, bool confirmation, bool closeByItself) {
    trace("Aviso", text);
    showGenericMessageWindow(text, confirmation, closeByItself, clock_);
}

void MainWindow::showClosingNotice(const std::string& text, std::chrono::seconds shownFor) {
    trace("Aviso", text);
    showGenericMessageWindow(text, false, true, clock_, shownFor);
}

void MainWindow::setCycleTimerActive(bool active) {
    if (active) {
        cycleTimer_.start();
    } else {
        cycleTimer_.stop();
    }
}

void MainWindow::setDisconnectTimerActive(bool active) {
    if (active) {
        disconnectTimer_.start();
    } else {
        disconnectTimer_.stop();
    }
}

void MainWindow::showReports(const std::vector<ReportRow>& rows) {
    const int previous = selectedReportId();
    reportsGrid_->setRowCount(static_cast<int>(rows.size()));
    int current = rows.empty() ? -1 : 0;
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        const ReportRow& report = rows[static_cast<std::size_t>(row)];
        const QString cells[ColumnCount] = {QString::number(report.id),      qt(report.name),
                                            qt(report.publication),          qt(report.lastPublication),
                                            qt(report.nextPublication),      QString::number(report.publicationKind),
                                            qt(report.lastOutcome)};
        for (int column = 0; column < ColumnCount; ++column) {
            reportsGrid_->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
        if (report.id == previous) {
            current = row;
        }
        trace("Grade", report.name + " | " + report.publication + " | última " + report.lastPublication +
                           " | próxima " + report.nextPublication + " | " + report.lastOutcome);
    }
    // Like a data grid, one row is always current while there are rows: the one selected before, or the first.
    if (current >= 0) {
        reportsGrid_->selectRow(current);
    }
    reportsGrid_->repaint();
}

int MainWindow::selectedReportId() const {
    const int row = reportsGrid_->currentRow();
    if (row < 0) {
        return 0;
    }
    const QTableWidgetItem* item = reportsGrid_->item(row, ColId);
    return item ? item->text().toInt() : 0;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    hideWindow();
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (monitor_) {
        monitor_->windowShown();
    }
}

}  // namespace velmora
