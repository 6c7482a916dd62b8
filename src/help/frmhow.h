#pragma once

#include "help/lookupwindow.h"

// "How do I....": answers six fixed questions about using the program. The user picks or
// types a question and presses "Answer!".
class frmHow : public LookupWindow {
    Q_OBJECT

public:
    // Opens centred on `owner`, the main window, or on the screen without one.
    explicit frmHow(const QWidget *owner, QWidget *parent = nullptr);
};
