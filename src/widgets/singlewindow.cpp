#include "widgets/singlewindow.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

namespace {

bool isProgramWindow(const QWidget *widget) {
    switch (widget->windowType()) {
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Tool:
        return widget->isVisible();
    default:
        return false;
    }
}

void quitIfNoWindowLeft() {
    const auto widgets = QApplication::topLevelWidgets();
    for (const QWidget *widget : widgets) {
        if (isProgramWindow(widget))
            return;
    }
    QCoreApplication::quit();
}

} // namespace

void centreOnScreen(QWidget *window) {
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

void centreOn(QWidget *window, const QWidget *owner) {
    if (!owner) {
        centreOnScreen(window);
        return;
    }
    QRect frame = window->frameGeometry();
    frame.moveCenter(owner->frameGeometry().center());
    window->move(frame.topLeft());
}

void endProgramWithLastWindow(QWidget *window) {
    // Looked at once the window is fully gone and the event loop has turned.
    QObject::connect(window, &QObject::destroyed, qApp,
                     [] { QTimer::singleShot(0, qApp, quitIfNoWindowLeft); });
}

void destroyRemainingWindows() {
    QList<QPointer<QWidget>> windows;
    const auto widgets = QApplication::topLevelWidgets();
    for (QWidget *widget : widgets) {
        if (!widget->parentWidget())
            windows.append(widget);
    }
    for (const QPointer<QWidget> &window : windows)
        delete window.data();
}
