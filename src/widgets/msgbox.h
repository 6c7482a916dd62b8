#pragma once

#include <QString>

class QMessageBox;
class QWidget;

// Message-box style values, in the encoding the program's texts were written for: the button
// set in the low four bits, the icon in the next four, the default button after that.
enum MsgBoxStyle {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCancelTryAgainContinue = 6,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};

// Builds the box for `prompt` (plain text; CR LF breaks lines), `style` and `title`: buttons
// left to right in the style's order, its default button, Esc and the close box closing it.
// The caller owns the box.
QMessageBox *createMsgBox(const QString &prompt, int style, const QString &title, QWidget *parent);

// Shows the box modal to the application and waits until the user closes it. The program
// never looks at which button was pressed.
void MsgBox(const QString &prompt, int style, const QString &title, QWidget *parent = nullptr);
