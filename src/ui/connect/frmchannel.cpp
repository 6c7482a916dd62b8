#include "ui/connect/frmchannel.h"

#include "net/winsock.h"
#include "ui/connect/windowbutton.h"
#include "widgets/accessibility.h"
#include "widgets/look.h"
#include "widgets/msgbox.h"
#include "widgets/singlewindow.h"
#include "widgets/toolwindow.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>

#include <utility>

namespace {

// Each channel's list entry and the line "Join" sends for it. The rows are the order of the
// list and the order in which "Join" looks an entry up.
struct Channel {
    QStringView entry;
    QStringView line;
};

constexpr Channel kChannels[] = {
    {u"Open Tech Support", u"/join open tech support"},
    {u"Blizzard Tech Support", u"/join blizzard tech support"},
    {u"Cheaters", u"/join cheaters"},
    {u"Bounty Hunters", u"/join bounty hunters"},
    {u"Diablo Retail USA-1", u"/join diablo retail usa-1"},
    {u"Guild Recruitment", u"/join guild recruitment"},
    {u"Guild Members", u"/join guild members"},
    {u"Starcraft USA-1", u"/join starcraft usa-1"},
    {u"Magic", u"/join magic"},
};

} // namespace

frmChannel::frmChannel(GatewayLink link, QWidget *parent)
    : QWidget(parent)
    , m_link(std::move(link)) {
    setObjectName(QStringLiteral("frmChannel"));
    setWindowTitle(QStringLiteral("Join Channel..."));
    announceAsWindow(this);
    setToolWindowFrame(this, 2535, 3885);

    Frame1 = new QGroupBox(QStringLiteral("Channel Options"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(0, 0, 2535, 3855));
    Frame1->setFont(verdanaFont());

    List1 = new QListWidget(Frame1);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(tr("Channels"));
    List1->setGeometry(twipsRect(120, 240, 2295, 2985));
    List1->setFont(verdanaFont());
    setColours(List1, QColor(0, 255, 0), QColor(0, 0, 0));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setSortingEnabled(false);
    // Clicking or double-clicking an entry only selects it.
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);

    Command1 =
        addButton(Frame1, "Command1", QStringLiteral("Join"), twipsRect(240, 3360, 975, 375));
    Command1->setFont(verdanaFont());
    cmdCancel =
        addButton(Frame1, "cmdCancel", QStringLiteral("Cancel"), twipsRect(1320, 3360, 975, 375));
    cmdCancel->setFont(verdanaFont());

    connect(Command1, &QPushButton::clicked, this, &frmChannel::Command1_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmChannel::cmdCancel_Click);

    setTabOrder(cmdCancel, Command1);
    setTabOrder(Command1, List1);
    cmdCancel->setFocus();

    centreOnScreen(this);
    Form_Load();
}

void frmChannel::Form_Load() {
    for (const Channel &channel : kChannels)
        List1->addItem(channel.entry.toString());
}

void frmChannel::Command1_Click() {
    if (m_link.state() == Winsock::sckClosed)
        showMessageBox(QStringLiteral("Connect First"),
                       {MessageButtons::CancelTryAgainContinue, MessageIcon::None},
                       QStringLiteral("Connect"), this);
    for (const Channel &channel : kChannels) {
        if (List1Text() == channel.entry && !m_link.sendLines({channel.line.toString()}))
            return;
    }
    close();
}

void frmChannel::cmdCancel_Click() {
    close();
}

QString frmChannel::List1Text() const {
    // Selected, not merely current: the list has a current entry as soon as it takes the
    // focus, before anything is chosen.
    const QList<QListWidgetItem *> selected = List1->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}
