#include "common/boxwatcher.h"
#include "common/bytes.h"
#include "common/fakegateway.h"
#include "common/testaddresses.h"
#include "common/windows.h"
#include "net/winsock.h"
#include "ui/connect/frmchannel.h"
#include "ui/connect/frmip.h"
#include "ui/connect/frmlogin.h"
#include "ui/main/form1.h"
#include "ui/main/transcriptview.h"
#include "widgets/singlewindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using TestAddresses::address;
using TestAddresses::kConnectWindows;

class tst_ConnectWindows : public QObject {
    Q_OBJECT

    std::unique_ptr<Form1> form;
    Winsock *socket = nullptr;

    // Sends a line from the main window and waits for it: whatever a window sent before it
    // has then arrived too.
    QByteArray receivedUpToMarker(FakeGateway &gateway) {
        auto *input = form->findChild<QLineEdit *>(u"Text1"_s);
        input->setText(u"marker"_s);
        QTest::keyClick(input, Qt::Key_Return);
        if (!QTest::qWaitFor([&] { return gateway.received().endsWith("marker\r\n"); }))
            return "(no marker)";
        return gateway.received().chopped(8);
    }
    // Types key by key, characters outside ASCII included.
    static void typeText(QWidget *widget, const QString &text) {
        for (const QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    static void pick(QListWidget *list, const QString &entry, bool twice = false) {
        const QPoint at = list->visualItemRect(list->findItems(entry, {}).at(0)).center();
        twice ? QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at)
              : QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    const QString kConnectFirst = u"Connect|Connect First|Cancel,Try Again,Continue|0"_s;

private Q_SLOTS:
    void init() {
        SKIP_WITHOUT_LOOPBACK_ALIASES();
        form = std::make_unique<Form1>();
        socket = form->findChild<Winsock *>(u"Winsock1"_s);
        form->show();
    }
    void cleanup() {
        form.reset();
        destroyRemainingWindows();
    }

    // Each window: its focus order; Esc closes nothing; chosen again, the same window comes to
    // the front; its close button destroys it.
    void toolWindowLifecycle_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("focusOrder");
        QTest::addColumn<QString>("closeButton");
        QTest::newRow("login") << u"mnuLogIn"_s
                               << u"Text1 Text2 Command1 Command2 cmdConnect Combo1 Text1"_s
                               << u"Command2"_s;
        QTest::newRow("channel") << u"mnuChannels"_s << u"cmdCancel Command1 List1 cmdCancel"_s
                                 << u"cmdCancel"_s;
        QTest::newRow("ip") << u"mnuIP"_s << u"Text1 Command1 Command2 Text1"_s << u"Command1"_s;
    }
    void toolWindowLifecycle() {
        QFETCH(QString, item);
        QFETCH(QString, focusOrder);
        QFETCH(QString, closeButton);
        const QPointer<QWidget> w = openFromMenu(form.get(), item);
        QVERIFY(w);
        QStringList order;
        for (qsizetype i = focusOrder.count(u' '); i >= 0; --i) {
            order.append(QApplication::focusWidget()->objectName());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order.join(u' '), focusOrder);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(w->isVisible());
        form->activateWindow();
        QTRY_VERIFY(form->isActiveWindow());
        QCOMPARE(openFromMenu(form.get(), item), w.data());
        QTest::mouseClick(w->findChild<QPushButton *>(closeButton), Qt::LeftButton);
        QTRY_VERIFY(!w);
    }

    // The server box keeps the text as typed, and Enter there ("Log On!", refused while
    // closed) adds nothing to its list; Cancel closes the window and leaves the connection open.
    void serverBoxAndCancel() {
        FakeGateway gateway(address(kConnectWindows, 1));
        frmLogin *w = openFromMenu<frmLogin>(form.get(), u"mnuLogIn"_s);
        QVERIFY(w);
        // Nothing chosen: Connect with the prompt must not reach a real gateway.
        QCOMPARE(w->Combo1->currentIndex(), -1);
        QCOMPARE(w->Combo1->currentText(), u"Select your Server..."_s);
        const int servers = w->Combo1->count();
        w->Combo1->setFocus(); // the list would complete only what is typed into the focus
        w->Combo1->lineEdit()->selectAll();
        QTest::keyClicks(w->Combo1, "63.240.202.12");
        QTest::keyClick(w->Combo1, Qt::Key_Return);
        QCOMPARE(w->Combo1->currentText(), u"63.240.202.12"_s); // not completed to ...120
        QCOMPARE(w->Combo1->count(), servers);
        w->Combo1->setEditText(gateway.address());
        QTest::mouseClick(w->cmdConnect, Qt::LeftButton);
        QTRY_COMPARE(socket->State(), int(Winsock::sckConnected));
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QTRY_VERIFY(!form->loginWindow());
        QCOMPARE(socket->State(), int(Winsock::sckConnected));
    }

    // The password shows as asterisks, is not cut, and goes out whole; Enter in any box logs on.
    void logOn_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("enterOn");
        QTest::addColumn<QByteArray>("bytes");
        // Name and password go out in the system's code page.
        QTest::newRow("clicked") << u" J\u00f6rg "_s << u" \u00e9 "_s << QString()
                                 << QByteArray("\x03\x04"_ba +
                                               ansiEncode(u" J\u00f6rg \r\n \u00e9 \r\n"));
        for (const char *box : {"Text1", "Text2", "Combo1"})
            QTest::newRow(box) << QString() << u"pw"_s << QString::fromLatin1(box)
                               << "\x03\x04\r\npw\r\n"_ba;
    }
    void logOn() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, enterOn);
        QFETCH(QByteArray, bytes);
        FakeGateway gateway(address(kConnectWindows, 0));
        QVERIFY(connectSocket(*socket, gateway));
        frmLogin *w = openFromMenu<frmLogin>(form.get(), u"mnuLogIn"_s);
        QVERIFY(w);
        typeText(w->Text1, name);
        typeText(w->Text2, password);
        QCOMPARE(w->Text2->displayText(), QString(password.size(), u'*'));
        w->Text2->selectAll();
        QTest::keyClick(w->Text2, Qt::Key_X, Qt::ControlModifier); // nothing is cut
        if (enterOn.isEmpty())
            QTest::mouseClick(w->Command1, Qt::LeftButton);
        else
            QTest::keyClick(w->findChild<QWidget *>(enterOn), Qt::Key_Return);
        COMPARE_BYTES(receivedUpToMarker(gateway), bytes);
    }

    // "Join" sends the selected entry's line in lower case, or nothing, with no box and
    // nothing written in the main window; a click or a double-click only selects.
    void joinWhileConnected_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("Diablo") << u"Diablo Retail USA-1"_s << false
                                << "/join diablo retail usa-1\r\n"_ba;
        QTest::newRow("double click only selects") << u"Magic"_s << true << "/join magic\r\n"_ba;
        QTest::newRow("none") << QString() << false << QByteArray();
        QTest::newRow("current, not selected") << u"-"_s << false << QByteArray();
    }
    void joinWhileConnected() {
        QFETCH(QString, entry);
        QFETCH(bool, doubleClick);
        QFETCH(QByteArray, sent);
        FakeGateway gateway(address(kConnectWindows, 3));
        QVERIFY(connectSocket(*socket, gateway));
        const QString transcript = form->findChild<TranscriptView *>(u"Text2"_s)->text();
        frmChannel *w = openFromMenu<frmChannel>(form.get(), u"mnuChannels"_s);
        if (entry == u"-")
            w->List1->setCurrentRow(8, QItemSelectionModel::NoUpdate);
        else if (!entry.isEmpty())
            pick(w->List1, entry, doubleClick);
        QCOMPARE(form->channelWindow(), w);
        BoxWatcher watcher(u"Cancel"_s);
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QTRY_VERIFY(!form->channelWindow());
        QVERIFY(watcher.boxes.isEmpty());
        QCOMPARE(form->findChild<TranscriptView *>(u"Text2"_s)->text(), transcript);
        COMPARE_BYTES(receivedUpToMarker(gateway), sent);
    }

    // Closed: "Connect First", whatever the answer, then a selected entry is refused and the
    // window stays. Still connecting: no box, and the same refusal.
    void joinUnconnected_data() {
        QTest::addColumn<QString>("answer"); // to "Connect First"; none: still connecting
        QTest::newRow("connecting") << QString();
        for (const char *answer : {"Cancel", "Try Again", "Continue"})
            QTest::newRow(answer) << QString::fromLatin1(answer);
    }
    void joinUnconnected() {
        QFETCH(QString, answer);
        FakeGateway gateway(address(kConnectWindows, 4));
        frmChannel *w = openFromMenu<frmChannel>(form.get(), u"mnuChannels"_s);
        pick(w->List1, u"Magic"_s);
        BoxWatcher watcher(answer);
        if (answer.isEmpty()) {
            socket->setRemoteHost(gateway.address());
            QVERIFY(socket->Connect().ok());
        }
        // Connect has returned before the connection is made, and nothing turns the event
        // loop before "Join" runs.
        w->Command1->click();
        QCOMPARE(watcher.boxes, answer.isEmpty() ? QStringList() : QStringList{kConnectFirst});
        QCOMPARE(form->findChild<QLabel *>(u"statusLine"_s)->text(),
                 answer.isEmpty() ? u"Not sent: still connecting."_s
                                  : u"Not sent: no connection is open."_s);
        QCOMPARE(form->channelWindow(), w);
    }

    // "Tell Me" shows the local end of the connection as the gateway sees it. Without the main
    // window the socket went with it: each window says so.
    void withoutMainWindow() {
        QPointer<frmLogin> login = openFromMenu<frmLogin>(form.get(), u"mnuLogIn"_s);
        QPointer<frmChannel> channels = openFromMenu<frmChannel>(form.get(), u"mnuChannels"_s);
        QPointer<frmIP> ip = openFromMenu<frmIP>(form.get(), u"mnuIP"_s);
        FakeGateway gateway(address(kConnectWindows, 5));
        QVERIFY(connectSocket(*socket, gateway));
        QTest::mouseClick(ip->Command2, Qt::LeftButton);
        QCOMPARE(ip->Text1->text(), gateway.client()->peerAddress().toString());
        form.reset();
        BoxWatcher watcher(u"Continue"_s);
        login->Command1->click();
        login->cmdConnect->click();
        channels->Command1->click();
        ip->Command2->click();
        QCOMPARE(watcher.boxes,
                 QStringList({u"Brackmoor Chat|Not sent: the main window is closed, and its "
                              u"connection with it.|OK|2"_s,
                              u"Brackmoor Chat|Not connected: the main window is closed, and its "
                              u"connection with it.|OK|2"_s,
                              kConnectFirst}));
        QTRY_VERIFY(!channels);
    }
};

QTEST_MAIN(tst_ConnectWindows)
#include "tst_connectwindows.moc"
