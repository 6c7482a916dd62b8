#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

// The System Requirements window: what the program needs to run.
class frmSystem : public QWidget {
    Q_OBJECT

public:
    explicit frmSystem(QWidget *parent = nullptr);

    void Command1_Click();

    QGroupBox *Frame1 = nullptr;
    QLabel *Label1 = nullptr;        // the requirements
    QPushButton *Command1 = nullptr; // "Close"
};
