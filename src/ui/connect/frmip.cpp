#include "ui/connect/frmip.h"

#include "ui/connect/windowbutton.h"
#include "widgets/accessibility.h"
#include "widgets/look.h"
#include "widgets/singlewindow.h"
#include "widgets/toolwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

frmIP::frmIP(GatewayLink link, QWidget *parent)
    : QWidget(parent)
    , m_link(std::move(link)) {
    setObjectName(QStringLiteral("frmIP"));
    setWindowTitle(QStringLiteral("Your IP"));
    announceAsWindow(this);
    setToolWindowFrame(this, 2100, 900);

    Label1 = new QLabel(QStringLiteral("Your IP:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label1->setGeometry(twipsRect(0, 120, 615, 255));

    // A placeholder until "Tell Me" is pressed, not an address the program uses.
    Text1 = new QLineEdit(QStringLiteral("255.255.255.255"), this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twipsRect(720, 120, 1335, 285));
    setColours(Text1, QColor(255, 255, 0), QColor(0, 0, 0));
    // Screen readers name the box by the label beside it.
    Label1->setBuddy(Text1);

    Command2 =
        addButton(this, "Command2", QStringLiteral("Tell Me"), twipsRect(120, 480, 855, 375));
    Command1 = addButton(this, "Command1", QStringLiteral("Close"), twipsRect(1200, 480, 855, 375));

    connect(Command2, &QPushButton::clicked, this, &frmIP::Command2_Click);
    connect(Command1, &QPushButton::clicked, this, &frmIP::Command1_Click);

    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command2);
    Text1->setFocus();

    centreOnScreen(this);
}

void frmIP::Command2_Click() {
    Text1->setText(m_link.localIP());
}

void frmIP::Command1_Click() {
    close();
}
