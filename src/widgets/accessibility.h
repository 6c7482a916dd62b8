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

// Tells what a label is ("Answer", "Time") as its accessible description and leaves its name
// to Qt, which names a label by the text it shows and announces a new text as a change of
// name. An accessible name set on the label would hide what it shows from a screen reader.
void describeLabel(QLabel *label, const QString &what);

// Names a combo box together with its edit field and its drop-down list, which a screen
// reader reaches on their own. (On Linux Qt announces a combo box by its text and tells its
// label through the label's buddy instead.)
void setComboAccessibleName(QComboBox *box, const QString &name);
