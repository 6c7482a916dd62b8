#include "ui/connect/frmlogin.h"

#include "ui/connect/windowbutton.h"
#include "widgets/accessibility.h"
#include "widgets/look.h"
#include "widgets/singlewindow.h"
#include "widgets/toolwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

namespace {

// The gateways offered in the server box, in the order shown: eight gateway addresses, the
// service's own domain and one named gateway.
constexpr QStringView kServers[] = {
    u"63.240.202.120",  u"63.240.202.128", u"63.240.202.139", u"63.241.83.8", u"63.241.83.110",
    u"213.248.106.204", u"211.233.0.54",   u"211.233.0.60",   u"battle.net",  u"useast.battle.net",
};

const QString kServerPrompt = QStringLiteral("Select your Server...");

const QColor kYellow(255, 255, 0);
const QColor kBlack(0, 0, 0);

// What a gateway takes as a log-on, sent as one record: bytes 3 and 4 and the name on the
// first line, the password on the second.
QStringList logonLines(const QString &name, const QString &password) {
    return {QString(QChar(3)) + QChar(4) + name, password};
}

} // namespace

frmLogin::frmLogin(GatewayLink link, QWidget *parent)
    : QDialog(parent)
    , m_link(std::move(link)) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Log In"));
    setToolWindowFrame(this, 3630, 1710);

    Label1 = addLabel("Label1", QStringLiteral("Username:"), twipsRect(120, 120, 855, 255));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twipsRect(1080, 120, 2415, 285));
    Text1->setFont(verdanaFont());
    setColours(Text1, kYellow, kBlack);

    Label2 = addLabel("Label2", QStringLiteral("Password:"), twipsRect(120, 480, 855, 255));
    createPasswordBox();

    Label3 = addLabel("Label3", QStringLiteral("Server:"), twipsRect(120, 840, 855, 255));
    createServerBox();

    cmdConnect =
        addButton(this, "cmdConnect", QStringLiteral("Connect"), twipsRect(120, 1200, 975, 375));
    // Connect alone keeps the window's own font.
    Command1 =
        addButton(this, "Command1", QStringLiteral("Log On!"), twipsRect(1200, 1200, 1095, 375));
    Command1->setFont(verdanaFont());
    Command1->setDefault(true);
    Command2 =
        addButton(this, "Command2", QStringLiteral("Cancel"), twipsRect(2400, 1200, 1095, 375));
    Command2->setFont(verdanaFont());

    // Screen readers name each box by the label beside it.
    Label1->setBuddy(Text1);
    Label2->setBuddy(Text2);
    Label3->setBuddy(Combo1);
    setComboAccessibleName(Combo1, Label3->text());

    connect(cmdConnect, &QPushButton::clicked, this, &frmLogin::cmdConnect_Click);
    connect(Command1, &QPushButton::clicked, this, &frmLogin::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmLogin::Command2_Click);

    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, cmdConnect);
    setTabOrder(cmdConnect, Combo1);
    Text1->setFocus();

    centreOnScreen(this);
    Form_Load();
}

QLabel *frmLogin::addLabel(const char *name, const QString &caption, const QRect &geometry) {
    auto *label = new QLabel(caption, this);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(geometry);
    label->setFont(verdanaFont());
    return label;
}

void frmLogin::createPasswordBox() {
    Text2 = new QLineEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setGeometry(twipsRect(1080, 480, 2415, 285));
    Text2->setFont(verdanaFont());
    setColours(Text2, kYellow, kBlack);
    // One asterisk per character, whatever the style would draw instead.
    Text2->setEchoMode(QLineEdit::Password);
    Text2->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    // A password box copies nothing to the clipboard or the selection and offers no drag;
    // cutting would delete what it cannot copy, so the cut keys are taken here.
    Text2->setDragEnabled(false);
    Text2->installEventFilter(this);
}

void frmLogin::createServerBox() {
    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setGeometry(twipsRect(1080, 840, 2415, 315));
    Combo1->setFont(verdanaFont());
    setColours(Combo1, kYellow, kBlack);
    // The drop-down button stays a standard button, its arrow in the standard colour.
    QPalette palette = Combo1->palette();
    palette.setBrush(QPalette::ButtonText, QApplication::palette().buttonText());
    Combo1->setPalette(palette);
    Combo1->setEditable(true);
    // The text is exactly what was typed or picked: no completion from the list, and Enter
    // adds nothing to the list (it presses "Log On!").
    Combo1->setCompleter(nullptr);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setEditText(kServerPrompt);
}

void frmLogin::Form_Load() {
    // Filling an empty combo box would pick its first entry; the text field keeps its text
    // and nothing is selected.
    const QString text = Combo1->currentText();
    for (const QStringView server : kServers)
        Combo1->addItem(server.toString());
    Combo1->setCurrentIndex(-1);
    Combo1->setEditText(text);
}

void frmLogin::cmdConnect_Click() {
    // Connecting is the handler's last step: a refusal has been reported, nothing follows.
    static_cast<void>(m_link.connectTo(Combo1->currentText()));
}

void frmLogin::Command1_Click() {
    if (!m_link.sendLines(logonLines(Text1->text(), Text2->text())))
        return;
    close();
}

void frmLogin::Command2_Click() {
    close();
}

void frmLogin::keyPressEvent(QKeyEvent *event) {
    // No button of this window is a cancel button, so Esc does not close it.
    if (event->matches(QKeySequence::Cancel)) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmLogin::eventFilter(QObject *watched, QEvent *event) {
    if (watched == Text2 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Copy))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}
