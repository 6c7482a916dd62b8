#include "windows.h"

#include <QAction>
#include <QApplication>
#include <QTest>

void chooseMenuItem(const QObject *form, const QString &item) {
    child<QAction>(form, qPrintable(item))->trigger();
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
