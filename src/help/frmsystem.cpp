#include "help/frmsystem.h"

#include "widgets/accessibility.h"
#include "widgets/look.h"
#include "widgets/singlewindow.h"
#include "widgets/toolwindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

frmSystem::frmSystem(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmSystem"));
    setWindowTitle(QStringLiteral("System Requirements"));
    announceAsWindow(this);
    // Fixed single border with only a close box, and no taskbar entry.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twips(3645), twips(2100));
    keepOutOfTaskbar(this);

    // The frame and the button keep the window's default font.
    Frame1 = new QGroupBox(QStringLiteral("System Requirements"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(0, 0, 3615, 1575));

    Label1 = new QLabel(Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setWordWrap(true);
    Label1->setFont(verdanaFont());
    Label1->setGeometry(twipsRect(120, 240, 3375, 1215));
    Label1->setText(QStringLiteral(
        "A 66Mhz Pentium processor or greater with 16 or more megs of ram. A 15inch moniter set "
        "to a minimum of 800x600. A valid Connection to the internet, with the Visual Basic Run "
        "time files. And a keyboard....."));

    Command1 = new QPushButton(QStringLiteral("Close"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    // Enter, like Space, presses the focused button.
    Command1->setAutoDefault(true);
    Command1->setGeometry(twipsRect(1320, 1680, 1095, 375));
    connect(Command1, &QPushButton::clicked, this, &frmSystem::Command1_Click);

    Command1->setFocus();
    centreOnScreen(this);
}

void frmSystem::Command1_Click() {
    close();
}
