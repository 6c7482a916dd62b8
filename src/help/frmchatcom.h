#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

// "Battle.net Chat Commands": a reference of eighteen chat commands. The user picks or types
// a command and presses "Answer!" to see what it does.
class frmChatCom : public QWidget {
    Q_OBJECT

public:
    explicit frmChatCom(QWidget *parent = nullptr);

    void Form_Load();
    void Command1_Click();

    QComboBox *Combo1 = nullptr;     // the commands
    QLabel *Label1 = nullptr;        // the description box
    QPushButton *Command1 = nullptr; // "Answer!"
};
