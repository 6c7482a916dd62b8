#pragma once

#include <QString>
#include <QWidget>

// A control found by its object name; a missing one is a fault in the test and stops it.
template<typename T> T *child(const QObject *parent, const char *name) {
    T *found = parent ? parent->findChild<T *>(QString::fromLatin1(name)) : nullptr;
    if (!found)
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return found;
}

// Triggers the menu item named `item` among `form`'s children; a missing one stops the test.
void chooseMenuItem(const QObject *form, const QString &item);

// Chooses the menu item and returns the window it opened or brought to the front, once that
// window is active; null when no window other than `form` and the one active before did.
QWidget *openFromMenu(const QWidget *form, const QString &item);

template<typename Window> Window *openFromMenu(const QWidget *form, const QString &item) {
    return qobject_cast<Window *>(openFromMenu(form, item));
}
