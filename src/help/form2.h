#pragma once

#include <QWidget>

class Hyperlink;
class QGroupBox;
class QLabel;
class QPushButton;

// The About window: who owns the program, and a link to the KTX's web site.
class Form2 : public QWidget {
    Q_OBJECT

public:
    explicit Form2(QWidget *parent = nullptr);

    void Command1_Click();

    QGroupBox *Frame1 = nullptr;
    QLabel *Label1 = nullptr; // the ownership notice
    QLabel *Label2 = nullptr;
    Hyperlink *csHyperlink1 = nullptr;
    QPushButton *Command1 = nullptr; // "Close"
};
