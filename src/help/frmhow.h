#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

// "How do I....": answers six fixed questions about using the program. The user picks or
// types a question and presses "Answer!".
class frmHow : public QWidget {
    Q_OBJECT

public:
    // Opens centred on `owner`, the main window, or on the screen without one.
    explicit frmHow(const QWidget *owner, QWidget *parent = nullptr);

    void Form_Load();
    void Command1_Click();

    QComboBox *Combo1 = nullptr;     // the questions
    QLabel *Label1 = nullptr;        // the answer box
    QPushButton *Command1 = nullptr; // "Answer!"
};
