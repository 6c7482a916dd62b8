#pragma once

class QComboBox;
class QLabel;
class QString;
class QWidget;

// What screen readers announce for controls where Qt's own accessibility falls short.

// Makes a window built on a plain QWidget announce itself as a window (a dialog when it has
// the dialog window type), named by its caption. Qt announces a plain QWidget as a client
// area, whatever its window flags.
void announceAsWindow(QWidget *window);

// Gives a label a name of its own ("Answer", "Time") while what it shows stays readable as its
// value. Qt names a label by its text and gives it no value, so a label that only had an
// accessible name set would announce the name and hide its text. For labels that are no
// other control's buddy.
void setLabelAccessibleName(QLabel *label, const QString &name);

// Names a combo box together with its edit field and its drop-down list, which a screen
// reader reaches on their own. (On Linux Qt announces a combo box by its text and tells its
// label through the label's buddy instead.)
void setComboAccessibleName(QComboBox *box, const QString &name);
