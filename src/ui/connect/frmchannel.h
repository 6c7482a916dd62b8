#pragma once

#include "ui/connect/gatewaylink.h"

#include <QWidget>

class QGroupBox;
class QListWidget;
class QPushButton;

// The join-channel window: nine well-known channels; "Join" sends the "/join" line of the
// selected one on the main window's socket and closes the window.
class frmChannel : public QWidget {
    Q_OBJECT

public:
    // `link` is the main window's socket and where its refusals are reported.
    explicit frmChannel(GatewayLink link, QWidget *parent = nullptr);

    // Handlers, named after their control and event.
    void Form_Load();
    void Command1_Click();
    void cmdCancel_Click();

    QGroupBox *Frame1 = nullptr;
    QListWidget *List1 = nullptr;
    QPushButton *Command1 = nullptr; // "Join"
    QPushButton *cmdCancel = nullptr;

private:
    // The selected entry's text, or the empty text when no entry is selected.
    QString List1Text() const;

    GatewayLink m_link;
};
