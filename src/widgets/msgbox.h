#pragma once

#include <QString>

class QMessageBox;
class QWidget;

// The button rows the program's message boxes use, left to right.
enum class MessageButtons {
    Ok,                     // OK
    CancelTryAgainContinue, // Cancel, Try Again, Continue
};

// The icon beside the prompt.
enum class MessageIcon { None, Exclamation, Information };

struct MessageBoxStyle {
    MessageButtons buttons;
    MessageIcon icon;
};

// Builds the box for `prompt` (plain text; CR LF breaks lines) and `title`, with the style's
// buttons and icon. The leftmost button is the default, and Esc and the title-bar close box
// close the box as that button would. The caller owns the box.
QMessageBox *createMessageBox(const QString &prompt, MessageBoxStyle style, const QString &title,
                              QWidget *parent);

// Shows the box modal and waits until the user closes it. The program never looks at which
// button was pressed.
void showMessageBox(const QString &prompt, MessageBoxStyle style, const QString &title,
                    QWidget *parent = nullptr);
