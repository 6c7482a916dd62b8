#include "help/lookupcontrols.h"

#include "widgets/look.h"
#include "widgets/toolwindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

void makeLookupWindow(QWidget *window, int clientWidth, int clientHeight) {
    window->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    window->setFixedSize(twips(clientWidth), twips(clientHeight));
    window->setFont(verdanaFont());
    keepOutOfTaskbar(window);
}

QComboBox *createLookupList(QWidget *window, const QRect &geometry, const QString &editText) {
    auto *list = new QComboBox(window);
    list->setObjectName(QStringLiteral("Combo1"));
    list->setEditable(true);
    // An editable combo box completes typed text from its list and, on Enter, adds it to the
    // list; the look-up must see the text exactly as typed, and the list never grows.
    list->setCompleter(nullptr);
    list->setInsertPolicy(QComboBox::NoInsert);
    list->setDuplicatesEnabled(false);
    list->setGeometry(geometry);
    list->setFont(verdanaFont());
    setColours(list, QColor(255, 0, 0), QColor(0, 0, 0));
    setColours(list->lineEdit(), QColor(255, 0, 0), QColor(0, 0, 0));
    list->setEditText(editText);
    return list;
}

QLabel *createAnswerBox(QWidget *window, const QRect &geometry) {
    auto *box = new QLabel(window);
    box->setObjectName(QStringLiteral("Label1"));
    box->setTextFormat(Qt::PlainText);
    box->setWordWrap(true);
    box->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    box->setFrameStyle(QFrame::Box | QFrame::Plain);
    box->setLineWidth(1);
    box->setGeometry(geometry);
    box->setFont(verdanaFont());
    setColours(box, QColor(0, 192, 0), QColor(0, 0, 0));
    return box;
}

QPushButton *createAnswerButton(QWidget *window, const QRect &geometry) {
    auto *button = new QPushButton(QStringLiteral("Answer!"), window);
    button->setObjectName(QStringLiteral("Command1"));
    // Enter or Space presses the button while it has the focus; the window has no default
    // button, so Enter in the edit field does not.
    button->setAutoDefault(true);
    button->setDefault(false);
    button->setGeometry(geometry);
    button->setFont(verdanaFont());
    return button;
}

void appendKeys(QComboBox *list, const QList<LookupEntry> &table) {
    // The first item added would become current and replace the edit text.
    const QString editText = list->currentText();
    for (const LookupEntry &entry : table)
        list->addItem(entry.key);
    list->setCurrentIndex(-1);
    list->setEditText(editText);
}
