#include "windows.h"

#include <QAction>
#include <QApplication>
#include <QTest>

void chooseMenuItem(const QObject *form, const QString &item) {
    auto *action = form->findChild<QAction *>(item);
    if (!action)
        qFatal("no menu item %s", qPrintable(item));
    action->trigger();
}

QWidget *openFromMenu(const QWidget *form, const QString &item) {
    const QWidget *before = QApplication::activeWindow();
    chooseMenuItem(form, item);
    QWidget *window = nullptr;
    const bool opened = QTest::qWaitFor([&] {
        window = QApplication::activeWindow();
        return window && window != form && window != before;
    });
    return opened ? window : nullptr;
}
