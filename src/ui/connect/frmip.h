#pragma once

#include "ui/connect/gatewaylink.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// The IP teller: shows the local machine's IP address on request.
class frmIP : public QWidget {
    Q_OBJECT

public:
    // `link` is the main window's socket and where its refusals are reported.
    explicit frmIP(GatewayLink link, QWidget *parent = nullptr);

    // Handlers, named after their control and event.
    void Command2_Click();
    void Command1_Click();

    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command2 = nullptr; // "Tell Me"
    QPushButton *Command1 = nullptr; // "Close"

private:
    GatewayLink m_link;
};
