#pragma once

#include <QList>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;
class QRect;
class QWidget;

// One row of a built-in help table: the text the user picks or types, and what it shows.
struct LookupEntry {
    QString key;
    QString text;
};

// The two look-up windows (questions and chat commands) are built from the same parts: a
// small tool window holding an editable list, an answer box and an "Answer!" button.

// A fixed-size tool window: small title bar with only a close box, not in the taskbar.
void makeLookupWindow(QWidget *window, int clientWidth, int clientHeight);

// The editable list: red on black, never sorted, never completing what is typed and never
// adding it, so that the edit field always holds exactly what the user typed or picked.
QComboBox *createLookupList(QWidget *window, const QRect &geometry, const QString &editText);

// The answer box: green on black plain text inside a single fixed border, wrapped at word
// boundaries, never scrolled.
QLabel *createAnswerBox(QWidget *window, const QRect &geometry);

// The "Answer!" button; Enter or Space presses it while it has the focus, Enter in the edit
// field does not.
QPushButton *createAnswerButton(QWidget *window, const QRect &geometry);

// Appends the table's keys to the list in table order and leaves the edit field as it was.
void appendKeys(QComboBox *list, const QList<LookupEntry> &table);
