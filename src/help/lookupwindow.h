#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

// One row of a built-in help table: the text the user picks or types, and what it shows.
struct LookupEntry {
    QString key;
    QString text;
};

// What one look-up window shows: its rows in list order, and how the window around them is
// laid out and named. The list and the look-up both read the rows.
struct LookupTable {
    QString objectName;
    QString caption;
    int clientHeight; // twips; every look-up window is 4815 wide
    int listWidth;    // twips; "Answer!" fills the rest of the row up to the answer box's edge
    QString prompt;   // the edit field's text until the user types or picks
    QString listName; // what a screen reader calls the list
    QString boxName;  // and the answer box
    QList<LookupEntry> entries;
};

// A help window that answers from a fixed table: a small tool window holding an editable
// list of the table's keys, an answer box and an "Answer!" button. The user picks or types a
// key and presses "Answer!"; only a key typed exactly as in the table shows its text.
class LookupWindow : public QWidget {
    Q_OBJECT

public:
    // Opens centred on `owner`, or on the screen without one.
    LookupWindow(const LookupTable &table, const QWidget *owner, QWidget *parent);

    void Form_Load();
    void Command1_Click();

    QComboBox *Combo1 = nullptr;     // the keys
    QLabel *Label1 = nullptr;        // the answer box
    QPushButton *Command1 = nullptr; // "Answer!"

private:
    void createList(const LookupTable &table);
    void createAnswerBox();
    void createAnswerButton(int left);

    QList<LookupEntry> m_entries;
};
