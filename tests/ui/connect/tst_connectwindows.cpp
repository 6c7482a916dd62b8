#include "common/boxwatcher.h"
#include "common/bytes.h"
#include "common/fakegateway.h"
#include "common/testaddresses.h"
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
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using TestAddresses::address;
using TestAddresses::kConnectWindows;

namespace {

// Types key by key, characters outside ASCII included.
void typeText(QWidget *widget, const QString &text) {
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

} // namespace

class tst_ConnectWindows : public QObject {
    Q_OBJECT

    std::unique_ptr<Form1> form;
    Winsock *socket = nullptr;

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
    QString status() const { return form->findChild<QLabel *>(u"statusLine"_s)->text(); }
    bool connectTo(FakeGateway &gateway) {
        socket->setRemoteHost(gateway.address());
        return socket->Connect().ok() && gateway.waitForClient() &&
               QTest::qWaitFor([this] { return socket->State() == 7; });
    }
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
        if (form) {
            delete form->loginWindow();
            delete form->channelWindow();
            delete form->ipWindow();
        }
        form.reset();
    }

    void toolWindowsKeepTheirFocusOrder_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("focusOrder");
        QTest::newRow("login") << u"mnuLogIn"_s
                               << u"Text1 Text2 Command1 Command2 cmdConnect Combo1 Text1"_s;
        QTest::newRow("channel") << u"mnuChannels"_s << u"cmdCancel Command1 List1 cmdCancel"_s;
        QTest::newRow("ip") << u"mnuIP"_s << u"Text1 Command1 Command2 Text1"_s;
    }
    void toolWindowsKeepTheirFocusOrder() {
        QFETCH(QString, item);
        QFETCH(QString, focusOrder);
        choose(item);
        QWidget *w = nullptr;
        QVERIFY(
            QTest::qWaitFor([&] { return (w = QApplication::activeWindow()) && w != form.get(); }));
        // Fixed size, close box only, owned by no other window.
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

    void logOnWhileClosedIsRefusedAndTheWindowStays() {
        frmLogin *w = openLogin();
        QCOMPARE(w->Combo1->currentIndex(), -1);
        QCOMPARE(w->Combo1->currentText(), u"Select your Server..."_s);
        QVERIFY(QTest::qWaitForWindowActive(w));
        typeText(w->Text1, u"abc"_s);
        w->Combo1->lineEdit()->selectAll();
        QTest::keyClicks(w->Combo1, "63.240.202.12");
        // Enter in the server box presses "Log On!", refused while not connected.
        QTest::keyClick(w->Combo1, Qt::Key_Return);
        QCOMPARE(w->Combo1->currentText(), u"63.240.202.12"_s); // not completed to ...120
        QCOMPARE(w->Combo1->count(), 10);                       // nothing added
        QCOMPARE(status(), u"Not sent: no connection is open."_s);
        QCOMPARE(form->loginWindow(), w);
        // Opening it again only brings it to the front.
        form->activateWindow();
        QTRY_VERIFY(form->isActiveWindow());
        QCOMPARE(openLogin(), w);
        QTRY_VERIFY(w->isActiveWindow());
        QCOMPARE(w->Text1->text(), u"abc"_s);
        // Cancel, then a fresh window.
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QTRY_VERIFY(!form->loginWindow());
        QVERIFY(openLogin()->Text1->text().isEmpty());
    }

    void connectUsesTheServerTextExactly() {
        FakeGateway gateway(address(kConnectWindows, 0));
        frmLogin *w = openLogin();
        w->Combo1->lineEdit()->selectAll();
        QTest::keyClicks(w->Combo1, gateway.address());
        QTest::mouseClick(w->cmdConnect, Qt::LeftButton);
        QVERIFY(gateway.waitForClient());
        QCOMPARE(socket->RemotePort(), 6112);
        QCOMPARE(form->loginWindow(), w);
        QTRY_COMPARE(socket->State(), 7);
        // A further Connect takes the text as the host and is refused, so no other address is
        // ever tried; the status line says what to do.
        w->Combo1->showPopup();
        QAbstractItemView *view = w->Combo1->view();
        QTRY_VERIFY(view->isVisible());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(view->model()->index(2, 0)).center());
        QTRY_VERIFY(!view->isVisible());
        for (const QString &text : {u" 127.0.0.20 "_s, w->Combo1->currentText()}) {
            w->Combo1->setEditText(text);
            w->cmdConnect->click();
            QCOMPARE(socket->RemoteHost(), text);
        }
        QCOMPARE(socket->RemoteHost(), u"63.240.202.139"_s);
        QCOMPARE(status(), u"Already connected. Choose Disconnect before connecting again."_s);
        QCOMPARE(socket->State(), 7);
    }

    void logonRecord_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("enterOn");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("clicked") << u"abc"_s << QString() << QString()
                                 << "\x03\x04"
                                    "abc\r\n\r\n"_ba;
        QTest::newRow("empty") << QString() << QString() << QString() << "\x03\x04\r\n\r\n"_ba;
        QTest::newRow("blanks, utf-8") << u" J\u00f6rg "_s << u" \u00e9 "_s << QString()
                                       << "\x03\x04 J\xc3\xb6rg \r\n \xc3\xa9 \r\n"_ba;
        for (const char *box : {"Text1", "Text2", "Combo1"})
            QTest::newRow(box) << QString() << u"pw"_s << QString::fromLatin1(box)
                               << "\x03\x04\r\npw\r\n"_ba;
    }
    void logonRecord() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QString, enterOn);
        QFETCH(QByteArray, bytes);
        FakeGateway gateway(address(kConnectWindows, 1));
        QVERIFY(connectTo(gateway));
        // Cancel and the close box close the window and leave the connection alone.
        QTest::mouseClick(openLogin()->Command2, Qt::LeftButton);
        QTRY_VERIFY(!form->loginWindow());
        openLogin()->close();
        QTRY_VERIFY(!form->loginWindow());
        frmLogin *w = openLogin();
        typeText(w->Text1, name);
        typeText(w->Text2, password);
        QCOMPARE(w->Text2->displayText(), QString(password.size(), u'*'));
        if (enterOn.isEmpty())
            QTest::mouseClick(w->Command1, Qt::LeftButton);
        else
            QTest::keyClick(w->findChild<QWidget *>(enterOn), Qt::Key_Return);
        QTRY_VERIFY(!form->loginWindow());
        COMPARE_BYTES(receivedUpToMarker(gateway), bytes);
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

    // --- join-channel window ---

    void joinWhileConnected_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("Magic") << u"Magic"_s << false << "/join magic\r\n"_ba;
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
        QVERIFY(connectTo(gateway));
        const QString transcript = form->findChild<TranscriptView *>(u"Text2"_s)->text();
        frmChannel *w = openChannels();
        QCOMPARE(w->List1->count(), 9);
        QVERIFY(w->List1->selectedItems().isEmpty());
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
        // With an entry selected, the send after the box is refused and the window stays.
        frmChannel *w = openChannels();
        pick(w->List1, u"Magic"_s);
        w->Command1->click();
        QCOMPARE(watcher.boxes, QStringList({kConnectFirst, kConnectFirst}));
        QCOMPARE(status(), u"Not sent: no connection is open."_s);
        QVERIFY(w->isVisible());
        QCOMPARE(form->channelWindow(), w);
    }

    void joinWhileConnecting() {
        FakeGateway gateway(address(kConnectWindows, 4));
        frmChannel *w = openChannels();
        pick(w->List1, u"Magic"_s);
        BoxWatcher watcher(u"Cancel"_s);
        socket->setRemoteHost(gateway.address());
        QVERIFY(socket->Connect().ok());
        // Connect has returned before the connection is made, and nothing turns the event
        // loop before Join runs.
        w->Command1->click();
        QVERIFY(watcher.boxes.isEmpty());
        QCOMPARE(status(), u"Not sent: still connecting."_s);
        QVERIFY(gateway.waitForClient());
        QCOMPARE(form->channelWindow(), w);
    }

    // --- IP teller ---

    void tellMe() {
        frmIP *w = openIP();
        QCOMPARE(w->Text1->text(), u"255.255.255.255"_s);
        typeText(w->Text1, u"typed"_s);
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QCOMPARE(w->Text1->text(), Winsock::firstLocalIPv4());
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QTRY_VERIFY(!form->ipWindow());
        FakeGateway gateway(address(kConnectWindows, 5));
        QVERIFY(connectTo(gateway));
        w = openIP();
        w->Command2->click();
        // The local end of the connection, as the gateway sees it.
        QCOMPARE(w->Text1->text(), gateway.client()->peerAddress().toString());
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
        QCOMPARE(watcher.boxes,
                 QStringList({u"Brackmoor Chat|Not sent: the main window is closed, and its "
                              u"connection with it.|OK|2"_s,
                              u"Brackmoor Chat|Not connected: the main window is closed, and its "
                              u"connection with it.|OK|2"_s,
                              kConnectFirst}));
        QCOMPARE(ip->Text1->text(), Winsock::firstLocalIPv4());
        QTRY_VERIFY(!channels);
        QVERIFY(login->isVisible());
        delete login;
        delete ip;
    }
};

QTEST_MAIN(tst_ConnectWindows)
#include "tst_connectwindows.moc"
