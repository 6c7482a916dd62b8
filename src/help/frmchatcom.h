#pragma once

#include "help/lookupwindow.h"

// "Battle.net Chat Commands": a reference of eighteen chat commands. The user picks or types
// a command and presses "Answer!" to see what it does.
class frmChatCom : public LookupWindow {
    Q_OBJECT

public:
    // Opens centred on the screen.
    explicit frmChatCom(QWidget *parent = nullptr);
};
