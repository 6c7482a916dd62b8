#include "common/fakegateway.h"
#include "net/winsock.h"
#include "ui/connect/frmchannel.h"
#include "ui/connect/frmip.h"
#include "ui/connect/frmlogin.h"
#include "ui/main/form1.h"
#include "ui/main/transcriptview.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// Answers each message box that comes up with the button captioned `answer`, and records it
// as "title|text|buttons left to right|icon".
class BoxWatcher : public QObject {
public:
    explicit BoxWatcher(const QString &answer)
        : m_answer(answer) {
        connect(&m_timer, &QTimer::timeout, this, &BoxWatcher::look);
        m_timer.start(10);
    }
    QStringList boxes;

private:
    void look() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        QMap<int, QAbstractButton *> buttons; // by position, left to right
        for (QAbstractButton *button : box->buttons())
            buttons.insert(button->mapToGlobal(QPoint()).x(), button);
        QStringList captions;
        for (QAbstractButton *button : buttons)
            captions.append(button->text().remove(u'&'));
        boxes.append(box->windowTitle() + u'|' + box->text() + u'|' + captions.join(u',') + u'|' +
                     QString::number(box->icon()));
        buttons.values().value(captions.indexOf(m_answer), buttons.first())->click();
    }
    QString m_answer;
    QTimer m_timer;
};

// Types key by key, characters outside ASCII included.
void typeText(QWidget *widget, const QString &text) {
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

const QString kNotSent = u"Not sent: no connection is open."_s;

} // namespace

// Every gateway here is on 127.0.0.20 to 127.0.0.25, port 6112.
class tst_ConnectWindows : public QObject {
    Q_OBJECT

    std::unique_ptr<Form1> form;

    void choose(const QString &item) { form->findChild<QAction *>(item)->trigger(); }
    frmLogin *openLogin() {
        choose(u"mnuLogIn"_s);
        return form->loginWindow();
    }
    frmChannel *openChannels() {
        choose(u"mnuChannels"_s);
        return form->channelWindow();
    }
    frmIP *openIP() {
        choose(u"mnuIP"_s);
        return form->ipWindow();
    }
    bool connectTo(FakeGateway &gateway) {
        form->Winsock1->setRemoteHost(gateway.address());
        form->Winsock1->Connect();
        return gateway.waitForClient() &&
               QTest::qWaitFor([this] { return form->Winsock1->State() == 7; });
    }
    static QStringList texts(const QComboBox *box) {
        QStringList list;
        for (int i = 0; i < box->count(); ++i)
            list.append(box->itemText(i));
        return list;
    }
    static void pick(QListWidget *list, const QString &entry, bool twice = false) {
        const QPoint at = list->visualItemRect(list->findItems(entry, {}).at(0)).center();
        twice ? QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at)
              : QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    const QStringList servers = {u"63.240.202.120"_s,   u"63.240.202.128"_s, u"63.240.202.139"_s,
                                 u"63.241.83.8"_s,      u"63.241.83.110"_s,  u"213.248.106.204"_s,
                                 u"211.233.0.54"_s,     u"211.233.0.60"_s,   u"battle.net"_s,
                                 u"useast.battle.net"_s};
    const QString kConnectFirst = u"Connect|Connect First|Cancel,Try Again,Continue|0"_s;

private Q_SLOTS:
    void init() {
        form = std::make_unique<Form1>();
        form->show();
    }
    void cleanup() {
        delete form->loginWindow();
        delete form->channelWindow();
        delete form->ipWindow();
        form.reset();
    }

    void frameAndFocus_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("focusOrder");
        QTest::newRow("login") << u"mnuLogIn"_s << QSize(242, 114)
                               << u"Text1 Text2 Command1 Command2 cmdConnect Combo1 Text1"_s;
        QTest::newRow("channel") << u"mnuChannels"_s << QSize(169, 259)
                                 << u"cmdCancel Command1 List1 cmdCancel"_s;
        QTest::newRow("ip") << u"mnuIP"_s << QSize(140, 60) << u"Text1 Command1 Command2 Text1"_s;
    }
    void frameAndFocus() {
        QFETCH(QString, item);
        QFETCH(QSize, size);
        QFETCH(QString, focusOrder);
        choose(item);
        QWidget *w = nullptr;
        QVERIFY(
            QTest::qWaitFor([&] { return (w = QApplication::activeWindow()) && w != form.get(); }));
        // Fixed size, close box only, no taskbar entry, owned by no other window.
        QCOMPARE(w->size(), size);
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QCOMPARE(w->windowType(), Qt::Tool);
        QVERIFY(!w->parentWidget());
        QCOMPARE(w->windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint),
                 Qt::WindowCloseButtonHint);
        QStringList order;
        for (qsizetype i = focusOrder.count(u' '); i >= 0; --i) {
            order.append(QApplication::focusWidget()->objectName());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order.join(u' '), focusOrder);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(w->isVisible()); // no cancel button, so Esc closes nothing
    }

    // --- log-in window ---

    void serverListAndEnter() {
        frmLogin *w = openLogin();
        QCOMPARE(texts(w->Combo1), servers);
        QCOMPARE(w->Combo1->currentIndex(), -1);
        QCOMPARE(w->Combo1->currentText(), u"Select your Server..."_s);
        QVERIFY(QTest::qWaitForWindowActive(w));
        typeText(w->Text1, u"abc"_s);
        QTest::mouseClick(w->Combo1->lineEdit(), Qt::LeftButton);
        w->Combo1->lineEdit()->selectAll();
        QTest::keyClicks(w->Combo1, "63.240.202.12");
        // Enter in the server box presses "Log On!", which fails while not connected.
        QTest::keyClick(w->Combo1, Qt::Key_Return);
        QCOMPARE(w->Combo1->currentText(), u"63.240.202.12"_s); // not completed to ...120
        QCOMPARE(texts(w->Combo1), servers);
        QCOMPARE(form->statusText(), kNotSent);
        QTest::qWait(20);
        QCOMPARE(form->loginWindow(), w);
        QCOMPARE(w->Text1->text(), u"abc"_s);
        // Opening it again only brings it to the front.
        form->activateWindow();
        QTRY_VERIFY(form->isActiveWindow());
        QCOMPARE(openLogin(), w);
        QTRY_VERIFY(w->isActiveWindow());
        QCOMPARE(texts(w->Combo1), servers);
        QCOMPARE(w->Text1->text(), u"abc"_s);
        // Cancel, then a fresh window.
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QTRY_VERIFY(!form->loginWindow());
        w = openLogin();
        QCOMPARE(texts(w->Combo1), servers);
        QVERIFY(w->Text1->text().isEmpty());
    }

    void connectUsesServerText() {
        FakeGateway gateway(u"127.0.0.21"_s);
        frmLogin *w = openLogin();
        w->Combo1->lineEdit()->selectAll();
        QTest::keyClicks(w->Combo1, "127.0.0.21");
        QTest::mouseClick(w->cmdConnect, Qt::LeftButton);
        QVERIFY(gateway.waitForClient());
        QCOMPARE(form->Winsock1->Protocol(), 0);
        QCOMPARE(form->Winsock1->RemotePort(), 6112);
        QCOMPARE(form->loginWindow(), w);
        // A further Connect takes the host and is then refused, so no other address is ever
        // tried: the text is taken exactly, a picked entry included.
        for (const QString &text : {u"Select your Server..."_s, u" 127.0.0.21 "_s}) {
            w->Combo1->setEditText(text);
            w->cmdConnect->click();
            QCOMPARE(form->Winsock1->RemoteHost(), text);
        }
        w->Combo1->showPopup();
        QAbstractItemView *view = w->Combo1->view();
        QTRY_VERIFY(view->isVisible());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(view->model()->index(2, 0)).center());
        QTRY_VERIFY(!view->isVisible());
        QCOMPARE(w->Combo1->currentText(), servers.at(2));
        w->cmdConnect->click();
        QCOMPARE(form->Winsock1->RemoteHost(), servers.at(2));
        QCOMPARE(form->Winsock1->State(), 7);
    }

    void logonRecord_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("abc") << u"abc"_s << QString()
                             << "\x03\x04"
                                "abc\r\n\r\n"_ba;
        QTest::newRow("empty") << QString() << QString() << "\x03\x04\r\n\r\n"_ba;
        QTest::newRow("blanks") << u" a b "_s << u" p "_s << "\x03\x04 a b \r\n p \r\n"_ba;
        QTest::newRow("utf-8") << u"J\u00f6rg"_s << u"\u00e9"_s
                               << "\x03\x04J\xc3\xb6rg\r\n\xc3\xa9\r\n"_ba;
    }
    void logonRecord() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QByteArray, bytes);
        FakeGateway gateway(u"127.0.0.20"_s);
        QVERIFY(connectTo(gateway));
        frmLogin *w = openLogin();
        typeText(w->Text1, name);
        typeText(w->Text2, password);
        QCOMPARE(w->Text2->displayText(), QString(password.size(), u'*'));
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QVERIFY(gateway.waitForBytes(bytes.size()));
        QTest::qWait(20);
        QCOMPARE(gateway.received(), bytes);
        QTRY_VERIFY(!form->loginWindow());
    }

    void enterPressesLogOn_data() {
        QTest::addColumn<QString>("focus");
        QTest::newRow("name") << u"Text1"_s;
        QTest::newRow("password") << u"Text2"_s;
        QTest::newRow("server") << u"Combo1"_s;
    }
    void enterPressesLogOn() {
        QFETCH(QString, focus);
        FakeGateway gateway(u"127.0.0.20"_s);
        QVERIFY(connectTo(gateway));
        frmLogin *w = openLogin();
        w->Text2->setText(u"pw"_s);
        QTest::keyClick(w->findChild<QWidget *>(focus), Qt::Key_Return);
        QVERIFY(gateway.waitForBytes(8));
        QCOMPARE(gateway.received(), "\x03\x04\r\npw\r\n"_ba);
        QTRY_VERIFY(!form->loginWindow());
    }

    void passwordStaysInItsBox() {
        frmLogin *w = openLogin();
        typeText(w->Text2, u"secret"_s);
        QCOMPARE(w->Text2->displayText(), u"******"_s);
        QGuiApplication::clipboard()->setText(u"before"_s);
        w->Text2->selectAll();
        QTest::keyClick(w->Text2, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(w->Text2, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"before"_s);
        QCOMPARE(w->Text2->text(), u"secret"_s);
        QVERIFY(!w->Text2->dragEnabled());
        const std::unique_ptr<QMenu> menu(w->Text2->createStandardContextMenu());
        for (const QAction *action : menu->actions()) {
            if (action->text().startsWith(u"Cu&t") || action->text().startsWith(u"&Copy"))
                QVERIFY(!action->isEnabled());
        }
    }

    void cancelKeepsConnection() {
        FakeGateway gateway(u"127.0.0.20"_s);
        frmLogin *w = openLogin();
        w->Combo1->setEditText(gateway.address());
        w->cmdConnect->click();
        QVERIFY(gateway.waitForClient());
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QTRY_VERIFY(!form->loginWindow());
        openLogin()->close(); // the close box is Cancel too
        QTRY_VERIFY(!form->loginWindow());
        QVERIFY(!gateway.waitForClientGone(100));
        w = openLogin();
        typeText(w->Text1, u"me"_s);
        w->Command1->click();
        QVERIFY(gateway.waitForBytes(8));
        QCOMPARE(gateway.received(), "\x03\x04me\r\n\r\n"_ba);
    }

    // --- join-channel window ---

    void nineChannelsAtEachOpening() {
        const QStringList channels = {
            u"Open Tech Support"_s, u"Blizzard Tech Support"_s, u"Cheaters"_s,
            u"Bounty Hunters"_s,    u"Diablo Retail USA-1"_s,   u"Guild Recruitment"_s,
            u"Guild Members"_s,     u"Starcraft USA-1"_s,       u"Magic"_s};
        for (int opening = 0; opening < 2; ++opening) {
            frmChannel *w = openChannels();
            QStringList shown;
            for (int i = 0; i < w->List1->count(); ++i)
                shown.append(w->List1->item(i)->text());
            QCOMPARE(shown, channels);
            QVERIFY(w->List1->selectedItems().isEmpty());
            pick(w->List1, u"Cheaters"_s);
            QTest::mouseClick(w->cmdCancel, Qt::LeftButton);
            QTRY_VERIFY(!form->channelWindow());
        }
    }

    void joinWhileConnected_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("Magic") << u"Magic"_s << "/join magic\r\n"_ba;
        QTest::newRow("Diablo") << u"Diablo Retail USA-1"_s << "/join diablo retail usa-1\r\n"_ba;
        QTest::newRow("none") << QString() << QByteArray();
        QTest::newRow("current, not selected") << u"-"_s << QByteArray();
    }
    void joinWhileConnected() {
        QFETCH(QString, entry);
        QFETCH(QByteArray, sent);
        FakeGateway gateway(u"127.0.0.22"_s);
        QVERIFY(connectTo(gateway));
        form->Text1->setText(u"typed"_s);
        const QString transcript = form->Text2->text();
        frmChannel *w = openChannels();
        if (entry == u"-")
            w->List1->setCurrentRow(8, QItemSelectionModel::NoUpdate);
        else if (!entry.isEmpty())
            pick(w->List1, entry);
        BoxWatcher watcher(u"Cancel"_s);
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QTRY_VERIFY(!form->channelWindow());
        QTest::qWait(20);
        QCOMPARE(gateway.received(), sent);
        QVERIFY(watcher.boxes.isEmpty());
        QCOMPARE(form->Text1->text(), u"typed"_s);
        QCOMPARE(form->Text2->text(), transcript);
    }

    void joinWhileClosed_data() {
        QTest::addColumn<QString>("answer");
        for (const char *answer : {"Cancel", "Try Again", "Continue"})
            QTest::newRow(answer) << QString::fromLatin1(answer);
    }
    void joinWhileClosed() {
        QFETCH(QString, answer);
        BoxWatcher watcher(answer);
        openChannels()->Command1->click();
        QCOMPARE(watcher.boxes, QStringList{kConnectFirst});
        QTRY_VERIFY(!form->channelWindow());
        // With an entry selected, the send after the box fails and the window stays.
        frmChannel *w = openChannels();
        pick(w->List1, u"Magic"_s);
        w->Command1->click();
        QCOMPARE(watcher.boxes, QStringList({kConnectFirst, kConnectFirst}));
        QCOMPARE(form->statusText(), kNotSent);
        QTest::qWait(20);
        QCOMPARE(form->channelWindow(), w);
    }

    void joinWhileConnecting() {
        FakeGateway gateway(u"127.0.0.23"_s);
        frmChannel *w = openChannels();
        pick(w->List1, u"Magic"_s);
        BoxWatcher watcher(u"Cancel"_s);
        form->Winsock1->setRemoteHost(gateway.address());
        form->Winsock1->Connect();
        // Connect has returned before the connection is made, and nothing turns the event
        // loop before Join runs.
        QVERIFY(form->Winsock1->State() != 0 && form->Winsock1->State() != 7);
        w->Command1->click();
        QVERIFY(watcher.boxes.isEmpty());
        QVERIFY(form->statusText().startsWith(u"Not sent"));
        QVERIFY(gateway.waitForClient());
        QCOMPARE(form->channelWindow(), w);
    }

    void doubleClickOnlySelects() {
        FakeGateway gateway(u"127.0.0.22"_s);
        QVERIFY(connectTo(gateway));
        frmChannel *w = openChannels();
        pick(w->List1, u"Magic"_s, true);
        QTest::qWait(50);
        QCOMPARE(w->List1->selectedItems().at(0)->text(), u"Magic"_s);
        QVERIFY(gateway.received().isEmpty());
        QCOMPARE(form->channelWindow(), w);
    }

    // --- IP teller ---

    void tellMe() {
        for (int opening = 0; opening < 2; ++opening) {
            frmIP *w = openIP();
            QCOMPARE(w->Text1->text(), u"255.255.255.255"_s);
            typeText(w->Text1, u"typed"_s);
            QTest::mouseClick(w->Command2, Qt::LeftButton);
            QTest::mouseClick(w->Command2, Qt::LeftButton);
            QCOMPARE(w->Text1->text(), Winsock::firstLocalIPv4());
            QTest::mouseClick(w->Command1, Qt::LeftButton);
            QTRY_VERIFY(!form->ipWindow());
        }
        FakeGateway gateway(u"127.0.0.24"_s);
        QVERIFY(connectTo(gateway));
        frmIP *w = openIP();
        w->Command2->click();
        // The local end of the connection, as the gateway sees it.
        QCOMPARE(w->Text1->text(), gateway.client()->peerAddress().toString());
        QVERIFY(!gateway.waitForClientGone(50));
    }

    // --- without the main window: the socket went with it ---

    void withoutMainWindow() {
        QPointer<frmLogin> login = openLogin();
        QPointer<frmChannel> channels = openChannels();
        QPointer<frmIP> ip = openIP();
        form.reset();
        BoxWatcher watcher(u"Continue"_s);
        login->Command1->click();
        login->cmdConnect->click();
        channels->Command1->click();
        ip->Command2->click();
        QCOMPARE(watcher.boxes.size(), 3);
        QVERIFY(watcher.boxes.at(0).contains(u"Not sent: the main window is closed"));
        QVERIFY(watcher.boxes.at(1).contains(u"Not connected: the main window is closed"));
        QCOMPARE(watcher.boxes.at(2), kConnectFirst);
        QCOMPARE(ip->Text1->text(), Winsock::firstLocalIPv4());
        QTRY_VERIFY(!channels);
        QVERIFY(login->isVisible());
        delete login;
        delete ip;
        form = std::make_unique<Form1>();
    }
};

QTEST_MAIN(tst_ConnectWindows)
#include "tst_connectwindows.moc"
