#include "help/lookupwindow.h"

#include "widgets/accessibility.h"
#include "widgets/look.h"
#include "widgets/singlewindow.h"
#include "widgets/toolwindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

namespace {

// The layout in twips: the list and the button side by side in the top row, the answer box
// below them.
constexpr int kClientWidth = 4815;
constexpr int kMargin = 120;    // left and top
constexpr int kRowHeight = 315; // the list and the button
constexpr int kGap = 105;       // between the list and the button
constexpr int kRight = 4695;    // the right edge of the button and of the answer box

} // namespace

LookupWindow::LookupWindow(const LookupTable &table, const QWidget *owner, QWidget *parent)
    : QWidget(parent)
    , m_entries(table.entries) {
    setObjectName(table.objectName);
    setWindowTitle(table.caption);
    announceAsWindow(this);
    // A fixed-size tool window: small title bar with only a close box, not in the taskbar.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(twips(kClientWidth), twips(table.clientHeight));
    setFont(verdanaFont());
    keepOutOfTaskbar(this);

    createList(table);
    createAnswerBox();
    createAnswerButton(kMargin + table.listWidth + kGap);
    setComboAccessibleName(Combo1, table.listName);
    describeLabel(Label1, table.boxName);
    connect(Command1, &QPushButton::clicked, this, &LookupWindow::Command1_Click);

    setTabOrder(Combo1, Command1);
    Combo1->setFocus();
    centreOn(this, owner);

    Form_Load();
}

// The editable list: red on black, never sorted, never completing what is typed and never
// adding it, so that the edit field always holds exactly what the user typed or picked.
void LookupWindow::createList(const LookupTable &table) {
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    // An editable combo box completes typed text from its list and, on Enter, adds it to the
    // list; the look-up must see the text exactly as typed, and the list never grows.
    Combo1->setCompleter(nullptr);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setDuplicatesEnabled(false);
    Combo1->setGeometry(twipsRect(kMargin, kMargin, table.listWidth, kRowHeight));
    Combo1->setFont(verdanaFont());
    setColours(Combo1, QColor(255, 0, 0), QColor(0, 0, 0));
    setColours(Combo1->lineEdit(), QColor(255, 0, 0), QColor(0, 0, 0));
    Combo1->setEditText(table.prompt);
}

// The answer box: green on black plain text inside a single fixed border, wrapped at word
// boundaries, never scrolled.
void LookupWindow::createAnswerBox() {
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Label1->setLineWidth(1);
    Label1->setGeometry(twipsRect(kMargin, 480, kRight - kMargin, 1335));
    Label1->setFont(verdanaFont());
    setColours(Label1, QColor(0, 192, 0), QColor(0, 0, 0));
}

void LookupWindow::createAnswerButton(int left) {
    Command1 = new QPushButton(QStringLiteral("Answer!"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    // Enter or Space presses the button while it has the focus; the window has no default
    // button, so Enter in the edit field does not.
    Command1->setAutoDefault(true);
    Command1->setDefault(false);
    Command1->setGeometry(twipsRect(left, kMargin, kRight - left, kRowHeight));
    Command1->setFont(verdanaFont());
}

void LookupWindow::Form_Load() {
    // The first item added would become current and replace the edit text.
    const QString editText = Combo1->currentText();
    for (const LookupEntry &entry : std::as_const(m_entries))
        Combo1->addItem(entry.key);
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(editText);
}

void LookupWindow::Command1_Click() {
    // Every row is compared, in table order; a key that matches none changes nothing.
    for (const LookupEntry &entry : std::as_const(m_entries)) {
        if (Combo1->currentText() == entry.key)
            Label1->setText(entry.text);
    }
}
