#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QString>
#include <ostream>

namespace velmora {

// The one QApplication of the window tests: built on first use, kept until the program ends. Without a platform
// chosen by the caller it runs offscreen.
inline QApplication& qtApplication() {
    static int argc = 1;
    static char name[] = "ui_qt_tests";
    static char* argv[] = {name, nullptr};
    static const bool platformChosen = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        return true;
    }();
    (void)platformChosen;
    static QApplication app(argc, argv);
    return app;
}

// Windows that close themselves are deleted later by the event loop, which the tests do not run.
inline void deleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace velmora

// Readable QString values in failure messages; found by argument lookup, as QString lives in the global namespace.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
