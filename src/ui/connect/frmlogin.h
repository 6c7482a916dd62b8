#pragma once

#include "ui/connect/gatewaylink.h"

#include <QDialog>

class QComboBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

// The log-in window: the user picks or types a gateway, connects the main window's socket to
// it, and sends the account name and password. A dialog, for its default button: Enter
// anywhere but on another button presses "Log On!".
class frmLogin : public QDialog {
    Q_OBJECT

public:
    // `link` is the main window's socket and where its refusals are reported.
    explicit frmLogin(GatewayLink link, QWidget *parent = nullptr);

    // Handlers, named after their control and event.
    void Form_Load();
    void cmdConnect_Click();
    void Command1_Click();
    void Command2_Click();

    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr; // the user name
    QLabel *Label2 = nullptr;
    QLineEdit *Text2 = nullptr; // the password
    QLabel *Label3 = nullptr;
    QComboBox *Combo1 = nullptr; // the server box
    QPushButton *cmdConnect = nullptr;
    QPushButton *Command1 = nullptr; // "Log On!"
    QPushButton *Command2 = nullptr; // "Cancel"

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *addLabel(const char *name, const QString &caption, const QRect &geometry);
    void createPasswordBox();
    void createServerBox();

    GatewayLink m_link;
};
