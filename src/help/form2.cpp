#include "help/form2.h"

#include "help/addresses.h"
#include "help/hyperlink.h"
#include "version.h"
#include "widgets/accessibility.h"
#include "widgets/look.h"
#include "widgets/singlewindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

const QString kCaption = QStringLiteral("About Brackmoor Chat v" BRACKMOOR_VERSION);
const QColor kGrey(192, 192, 192);

QLabel *createCentredLabel(QWidget *parent, const char *name, const QRect &geometry) {
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setFont(verdanaFont());
    label->setGeometry(geometry);
    return label;
}

} // namespace

Form2::Form2(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(kCaption);
    announceAsWindow(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(twips(5550), twips(2415));
    setWindowColour(this, kGrey);

    Frame1 = new QGroupBox(kCaption, this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFont(verdanaFont());
    Frame1->setGeometry(twipsRect(0, 0, 5535, 1815));

    Label1 = createCentredLabel(Frame1, "Label1", twipsRect(120, 360, 5295, 255));
    Label1->setText(QStringLiteral("Brackmoor Chat \u00a9 The Brackmoor Chat developers"));

    Label2 = createCentredLabel(Frame1, "Label2", twipsRect(120, 720, 5295, 615));
    Label2->setWordWrap(true);

    csHyperlink1 = new Hyperlink(Frame1);
    csHyperlink1->setObjectName(QStringLiteral("csHyperlink1"));
    csHyperlink1->setCaption(Addresses::ktxDomainName);
    csHyperlink1->setUrl(QUrl(Addresses::ktxWebAddress));
    QFont underlined = verdanaFont();
    underlined.setUnderline(true);
    csHyperlink1->setFont(underlined);
    csHyperlink1->setBackColor(kGrey);
    csHyperlink1->setAlignment(Qt::AlignHCenter);
    csHyperlink1->setGeometry(twipsRect(1920, 1440, 1575, 255));

    Command1 = new QPushButton(QStringLiteral("Close"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    // Enter, like Space, presses the focused button.
    Command1->setAutoDefault(true);
    Command1->setFont(verdanaFont());
    Command1->setGeometry(twipsRect(2280, 1920, 975, 375));
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);

    // The labels and the frame take no focus: Tab goes from "Close" to the link and back.
    setTabOrder(Command1, csHyperlink1);
    Command1->setFocus();
    centreOnScreen(this);
}

void Form2::Command1_Click() {
    close();
}
