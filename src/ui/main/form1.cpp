#include "ui/main/form1.h"

#include "help/form2.h"
#include "help/frmchatcom.h"
#include "help/frmhow.h"
#include "help/frmsystem.h"
#include "help/notices.h"
#include "net/lineend.h"
#include "net/winsock.h"
#include "ui/connect/frmchannel.h"
#include "ui/connect/frmip.h"
#include "ui/connect/frmlogin.h"
#include "ui/main/transcriptview.h"
#include "version.h"
#include "widgets/accessibility.h"
#include "widgets/look.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include <limits>

namespace {

const QString kWelcome =
    QStringLiteral("\t                 \tWELCOME TO BRACKMOOR CHAT v" BRACKMOOR_VERSION "\r\n");
const QString kTerminated = QStringLiteral("[ YOUR CONNECTION HAS BEEN TERMINATED ]");
const char *const kDisconnectFirst =
    QT_TRANSLATE_NOOP("Form1", "Choose Disconnect before connecting again.");

QString hostAndPort(const Winsock *socket) {
    return socket->RemoteHost() + u':' + QString::number(socket->RemotePort());
}

// The region's long time format (hours, minutes and seconds in its own order, with its
// 12- or 24-hour habit) without the time zone that Qt's long format adds. Quoted literals
// stay as they are; an unquoted 't' run is the zone, taken out with the spaces and brackets
// that only set it apart.
QString longTimeFormat(const QLocale &locale) {
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString kept;
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (quoted || c != u't')
            kept += c;
    }
    kept.remove(QStringLiteral("()"));
    return kept.simplified();
}

} // namespace

Form1::Form1(QWidget *parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Brackmoor Chat v" BRACKMOOR_VERSION));
    setWindowColour(this, QColor(192, 192, 192));

    createControls();
    createMenus();

    Winsock1 = new Winsock(this);
    Winsock1->setObjectName(QStringLiteral("Winsock1"));
    connect(Winsock1, &Winsock::DataArrival, this, &Form1::Winsock1_DataArrival);
    connect(Winsock1, &Winsock::stateChanged, this, &Form1::showConnectionState);
    connect(Winsock1, &Winsock::failed, this, &Form1::showConnectionFailure);

    Form_Load();
    resize(twips(10020),
           twips(6180) + menuBar()->sizeHint().height() + statusBar()->sizeHint().height());
    Text1->setFocus();
}

Form1::~Form1() = default;

void Form1::createControls() {
    auto *client = new QWidget(this);
    setCentralWidget(client);

    // Every control keeps its place and size: nothing is laid out anew on resize.
    Frame1 = new QGroupBox(QStringLiteral("Chatting Options"), client);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFont(verdanaFont());
    Frame1->setGeometry(twipsRect(0, 0, 9975, 6135));

    Label2 = new QLabel(Frame1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setFont(QApplication::font());
    Label2->setGeometry(twipsRect(120, 240, 2415, 255));

    Image1 = new QLabel(Frame1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAccessibleName(tr("Brackmoor Chat banner"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/banner.jpg")));
    Image1->setGeometry(twipsRect(2760, 120, 4380, 435));

    Label1 = new QLabel(Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFont(QApplication::font());
    Label1->setGeometry(twipsRect(7320, 240, 2535, 255));

    Text2 = new TranscriptView(Frame1);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setGeometry(twipsRect(120, 600, 9735, 5055));
    Text2->setFont(arialFont(9.75, true));
    setColours(Text2, QColor(255, 255, 0), QColor(0, 0, 0));
    Text2->setFrameShape(QFrame::NoFrame);
    Text2->setText(kWelcome);

    Text1 = new QLineEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(tr("Message"));
    Text1->setGeometry(twipsRect(120, 5760, 8895, 285));
    Text1->setFont(verdanaFont());
    setColours(Text1, QColor(255, 255, 255), QColor(0, 0, 0));
    Text1->setFrame(false);
    // The line edit's default limit of 32767 characters is not ours.
    Text1->setMaxLength(std::numeric_limits<int>::max());
    Text1->installEventFilter(this);

    cmdSend = new QPushButton(QStringLiteral("Send"), Frame1);
    cmdSend->setObjectName(QStringLiteral("cmdSend"));
    cmdSend->setGeometry(twipsRect(9120, 5760, 735, 285));
    cmdSend->setFont(verdanaFont());
    // Enter or Space on the focused button presses it. A main window has no default button,
    // so Enter in the input line still reaches only the input line.
    cmdSend->setAutoDefault(true);
    connect(cmdSend, &QPushButton::clicked, this, &Form1::cmdSend_Click);

    setTabOrder(Text1, cmdSend);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1);
    connect(Timer1, &QTimer::timeout, this, &Form1::timer1_timer);
    Timer1->start();

    m_statusLine = new QLabel(tr("Not connected"));
    m_statusLine->setObjectName(QStringLiteral("statusLine"));
    m_statusLine->setTextFormat(Qt::PlainText);
    // A long host name must not widen the window.
    m_statusLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(m_statusLine, 1);

    // A screen reader reads what these show as their name and tells what they are.
    describeLabel(Label1, tr("Time"));
    describeLabel(Label2, tr("Date"));
    describeLabel(m_statusLine, tr("Connection status"));
    statusBar()->setSizeGripEnabled(true);
}

QAction *Form1::addMenuItem(QMenu *menu, const char *name, const QString &caption,
                            void (Form1::*handler)()) {
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, handler);
    return action;
}

void Form1::createMenus() {
    QMenu *mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuFile->setAccessibleName(tr("File"));
    addMenuItem(mnuFile, "mnuLogIn", QStringLiteral("&LogIn"), &Form1::mnuLogIn_Click);
    addMenuItem(mnuFile, "mnuDis", QStringLiteral("&Disconnect"), &Form1::mnuDis_Click);
    addMenuItem(mnuFile, "mnuIP", QStringLiteral("&IP Teller"), &Form1::mnuIP_Click);
    addMenuItem(mnuFile, "mnuChannels", QStringLiteral("&Channels"), &Form1::mnuChannels_Click);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuLine4"));
    addMenuItem(mnuFile, "mnuKtx", QStringLiteral("&KTX"), &Form1::mnuKtx_Click);
    addMenuItem(mnuFile, "mnuRWQN", QStringLiteral("&RWQN"), &Form1::mnuRWQN_Click);
    addMenuItem(mnuFile, "mnuAsh", QStringLiteral("&Ashwalkers"), &Form1::mnuAsh_Click);
    mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuLine1"));
    addMenuItem(mnuFile, "mnuExit", QStringLiteral("&Exit"), &Form1::mnuExit_Click);

    QMenu *mnuEdit = menuBar()->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEdit->setAccessibleName(tr("Edit"));
    addMenuItem(mnuEdit, "mnuCopy", QStringLiteral("&Copy"), &Form1::mnuCopy_Click);
    addMenuItem(mnuEdit, "mnuCut", QStringLiteral("C&ut"), &Form1::mnuCut_Click);
    addMenuItem(mnuEdit, "mnuSelect", QStringLiteral("&Select All"), &Form1::mnuSelect_Click);
    mnuEdit->addSeparator()->setObjectName(QStringLiteral("mnuLine2"));
    addMenuItem(mnuEdit, "mnuClip", QStringLiteral("Clea&r Clipboard"), &Form1::mnuClip_Click);
    addMenuItem(mnuEdit, "mnuClear", QStringLiteral("Cl&ear Screen"), &Form1::mnuClear_Click);

    QMenu *mnuChatComm = menuBar()->addMenu(QStringLiteral("&Options"));
    mnuChatComm->setObjectName(QStringLiteral("mnuChatComm"));
    mnuChatComm->setAccessibleName(tr("Options"));
    addMenuItem(mnuChatComm, "mnuAway", QStringLiteral("&Mark as Away"), &Form1::mnuAway_Click);
    addMenuItem(mnuChatComm, "mnuDND", QStringLiteral("Mark as &DND"), &Form1::mnuDND_Click);
    addMenuItem(mnuChatComm, "mnuSquelch", QStringLiteral("&Squelch User"),
                &Form1::mnuSquelch_Click);
    addMenuItem(mnuChatComm, "mnuUnsquelch", QStringLiteral("&UnSquelch User"),
                &Form1::mnuUnsquelch_Click);
    addMenuItem(mnuChatComm, "mnuJoin", QStringLiteral("&Join Channel"), &Form1::mnuJoin_Click);
    addMenuItem(mnuChatComm, "mnuFind", QStringLiteral("&Find User"), &Form1::mnuFind_Click);
    addMenuItem(mnuChatComm, "mnuList", QStringLiteral("&View Channel List"),
                &Form1::mnuList_Click);
    mnuChatComm->addSeparator()->setObjectName(QStringLiteral("mnuLine3"));
    addMenuItem(mnuChatComm, "mnuKick", QStringLiteral("&Kick User"), &Form1::mnuKick_Click);
    addMenuItem(mnuChatComm, "mnuBan", QStringLiteral("&Ban User"), &Form1::mnuBan_Click);
    addMenuItem(mnuChatComm, "mnuUnban", QStringLiteral("U&nBan"), &Form1::mnuUnban_Click);
    addMenuItem(mnuChatComm, "mnuDesignate", QStringLiteral("&Designate User"),
                &Form1::mnuDesignate_Click);

    QMenu *mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelp->setAccessibleName(tr("Help"));
    addMenuItem(mnuHelp, "mnuGen", QStringLiteral("&General Help"), &Form1::mnuGen_Click);
    addMenuItem(mnuHelp, "mnuAbout", QStringLiteral("&About"), &Form1::mnuAbout_Click);
    addMenuItem(mnuHelp, "mnuSystem", QStringLiteral("&System Requirements"),
                &Form1::mnuSystem_Click);
    addMenuItem(mnuHelp, "mnuHow", QStringLiteral("&How do I..."), &Form1::mnuHow_Click);
    addMenuItem(mnuHelp, "mnuChat", QStringLiteral("&Battle.net Chat Commands"),
                &Form1::mnuChat_Click);
    addMenuItem(mnuHelp, "mnuContact", QStringLiteral("&Contact Us"), &Form1::mnuContact_Click);
}

void Form1::Form_Load() {
    Timer1->setInterval(1);
}

void Form1::cmdSend_Click() {
    const QString line = Text1->text();
    const SocketResult sent = Winsock1->sendLines({line});
    // A line sent as typed puts the connection back in the status line, in place of what an
    // earlier line needed telling.
    if (sent.needsTelling())
        reportResult(sent);
    else
        showConnectionState(sent.state());
    if (!sent.ok())
        return;
    // The transcript shows the line as it went out, line end included.
    Text2->replaceSelection(line + kLineEnd);
    Text1->setText(QString());
}

void Form1::Text1_KeyPress(int KeyAscii) {
    if (KeyAscii == 13)
        cmdSend_Click();
}

bool Form1::eventFilter(QObject *watched, QEvent *event) {
    if (watched == Text1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        int KeyAscii = key->text().isEmpty() ? 0 : key->text().at(0).unicode();
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            KeyAscii = 13;
        if (KeyAscii != 0)
            Text1_KeyPress(KeyAscii);
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::timer1_timer() {
    // Ticks come every millisecond; the labels change once a second, so the tick does no
    // more than compare until a new second begins.
    const qint64 second = QDateTime::currentMSecsSinceEpoch() / 1000;
    if (second == m_shownSecond)
        return;
    m_shownSecond = second;
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    Label1->setText(locale.toString(now.time(), longTimeFormat(locale)));
    const qint64 day = now.date().toJulianDay();
    if (day != m_shownDay) {
        m_shownDay = day;
        Label2->setText(locale.toString(now.date(), QLocale::ShortFormat));
    }
}

void Form1::Winsock1_DataArrival(qint64 bytesTotal) {
    Q_UNUSED(bytesTotal)
    QString data;
    Winsock1->GetData(data);
    Text2->appendText(data);
    Text2->setSelectionStart(Text2->length());
}

void Form1::mnuDis_Click() {
    Winsock1->Close();
    Text2->setText(kTerminated);
    setStatus(tr("Disconnected"));
}

void Form1::mnuExit_Click() {
    QCoreApplication::quit();
}

void Form1::mnuCopy_Click() {
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(Text2->selectedText());
}

void Form1::mnuCut_Click() {
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(Text2->selectedText());
    Text2->replaceSelection(QString());
}

void Form1::mnuSelect_Click() {
    Text2->setSelectionStart(0);
    Text2->setSelectionLength(Text2->length());
}

void Form1::mnuClip_Click() {
    QGuiApplication::clipboard()->clear();
}

void Form1::mnuClear_Click() {
    Text2->setText(QString());
}

// The Options menu: each item puts the beginning of a chat command into the input line,
// replacing what was there; the user completes it and sends it like any line.
void Form1::mnuAway_Click() {
    Text1->setText(QStringLiteral("/away "));
}
void Form1::mnuDND_Click() {
    Text1->setText(QStringLiteral("/DND "));
}
void Form1::mnuSquelch_Click() {
    Text1->setText(QStringLiteral("/squelch "));
}
void Form1::mnuUnsquelch_Click() {
    Text1->setText(QStringLiteral("/Unsquelch "));
}
void Form1::mnuJoin_Click() {
    Text1->setText(QStringLiteral("/join "));
}
void Form1::mnuFind_Click() {
    Text1->setText(QStringLiteral("/whois "));
}
void Form1::mnuList_Click() {
    Text1->setText(QStringLiteral("/who "));
}
void Form1::mnuKick_Click() {
    Text1->setText(QStringLiteral("/kick "));
}
void Form1::mnuBan_Click() {
    Text1->setText(QStringLiteral("/ban "));
}
void Form1::mnuUnban_Click() {
    Text1->setText(QStringLiteral("/unban "));
}
void Form1::mnuDesignate_Click() {
    Text1->setText(QStringLiteral("/designate "));
}

void Form1::mnuLogIn_Click() {
    m_frmLogin.open(gatewayLink());
}
void Form1::mnuChannels_Click() {
    m_frmChannel.open(gatewayLink());
}
void Form1::mnuIP_Click() {
    m_frmIP.open(gatewayLink());
}
void Form1::mnuHow_Click() {
    m_frmHow.open(this);
}
void Form1::mnuChat_Click() {
    m_frmChatCom.open();
}
void Form1::mnuAbout_Click() {
    m_Form2.open();
}
void Form1::mnuSystem_Click() {
    m_frmSystem.open();
}

frmLogin *Form1::loginWindow() const {
    return m_frmLogin.window();
}
frmChannel *Form1::channelWindow() const {
    return m_frmChannel.window();
}
frmIP *Form1::ipWindow() const {
    return m_frmIP.window();
}
frmHow *Form1::howWindow() const {
    return m_frmHow.window();
}
frmChatCom *Form1::chatComWindow() const {
    return m_frmChatCom.window();
}
Form2 *Form1::aboutWindow() const {
    return m_Form2.window();
}
frmSystem *Form1::systemWindow() const {
    return m_frmSystem.window();
}

void Form1::mnuKtx_Click() {
    showNotice(Notice::Ktx, this);
}
void Form1::mnuRWQN_Click() {
    showNotice(Notice::Rwqn, this);
}
void Form1::mnuAsh_Click() {
    showNotice(Notice::Ashwalkers, this);
}
void Form1::mnuGen_Click() {
    showNotice(Notice::GeneralHelp, this);
}
void Form1::mnuContact_Click() {
    showNotice(Notice::ContactUs, this);
}

// A socket call's result in words: what was not done, and why.
QString Form1::resultText(const SocketResult &result) {
    switch (result.outcome()) {
    case SocketResult::NotClosed:
        switch (result.state()) {
        case Winsock::sckConnected:
            return tr("Already connected.") + u' ' + tr(kDisconnectFirst);
        case Winsock::sckClosing:
            return tr("The gateway closed the connection.") + u' ' + tr(kDisconnectFirst);
        case Winsock::sckError:
            return tr("The last connection failed.") + u' ' + tr(kDisconnectFirst);
        default:
            return tr("Already connecting.") + u' ' + tr(kDisconnectFirst);
        }
    case SocketResult::NotConnected:
        switch (result.state()) {
        case Winsock::sckClosed:
            return tr("Not sent: no connection is open.");
        case Winsock::sckClosing:
            return tr("Not sent: the gateway closed the connection.");
        case Winsock::sckError:
            return tr("Not sent: the connection failed.");
        default:
            return tr("Not sent: still connecting.");
        }
    case SocketResult::WriteFailed:
        return tr("Not sent: %1.").arg(result.detail());
    case SocketResult::NoSocket:
        return result.call() == SocketResult::Connect
                   ? tr("Not connected: the main window is closed, and its connection with it.")
                   : tr("Not sent: the main window is closed, and its connection with it.");
    case SocketResult::Done:
        if (result.unencodable() == 1)
            return tr("Sent, but 1 character could not be sent as typed: the system's code page "
                      "has no code for it, so it was replaced.");
        if (result.unencodable() > 1)
            return tr("Sent, but %1 characters could not be sent as typed: the system's code "
                      "page has no code for them, so they were replaced.")
                .arg(result.unencodable());
        break;
    }
    return QString();
}

// Without the main window there is no status line; a message box tells it instead.
void Form1::showResultBox(const SocketResult &result) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Brackmoor Chat"), resultText(result),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

GatewayLink Form1::gatewayLink() {
    // The windows outlive the main window when the user closes it first; their refusals then
    // go to a message box.
    return GatewayLink(Winsock1, [form = QPointer<Form1>(this)](const SocketResult &result) {
        if (form)
            form->reportResult(result);
        else
            showResultBox(result);
    });
}

void Form1::reportResult(const SocketResult &result) {
    setStatus(resultText(result));
}

void Form1::setStatus(const QString &text) {
    m_statusLine->setText(text);
}

void Form1::showConnectionState(int state) {
    switch (state) {
    case Winsock::sckResolvingHost:
        setStatus(tr("Looking up %1...").arg(Winsock1->RemoteHost()));
        break;
    case Winsock::sckConnecting:
        setStatus(tr("Connecting to %1...").arg(hostAndPort(Winsock1)));
        break;
    case Winsock::sckConnected:
        setStatus(tr("Connected to %1").arg(hostAndPort(Winsock1)));
        break;
    case Winsock::sckClosing:
        setStatus(tr("The gateway closed the connection.") + u' ' + tr(kDisconnectFirst));
        break;
    default:
        break;
    }
}

void Form1::showConnectionFailure(Winsock::Failure failure, const QString &detail) {
    QString what;
    switch (failure) {
    case Winsock::HostNotFound:
        what = tr("Host not found: %1.").arg(Winsock1->RemoteHost());
        break;
    case Winsock::ConnectionRefused:
        what = tr("Connection refused by %1.").arg(hostAndPort(Winsock1));
        break;
    case Winsock::TimedOut:
        what = tr("Timed out connecting to %1.").arg(hostAndPort(Winsock1));
        break;
    case Winsock::ConnectionReset:
        what = tr("The gateway reset the connection.");
        break;
    default:
        what = tr("Connection to %1 failed: %2.").arg(hostAndPort(Winsock1), detail);
        break;
    }
    // The socket stays in its error state until Disconnect, so say what to do next.
    setStatus(what + u' ' + tr(kDisconnectFirst));
}
