#include "fixture.h"
#include "probes.h"
#include "ui/connect/frmchannel.h"
#include "ui/connect/frmlogin.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString kWelcome = u"\t                 \tWELCOME TO BRACKMOOR CHAT v3.05\r\n"_s;
const QString kTerminated = u"[ YOUR CONNECTION HAS BEEN TERMINATED ]"_s;
const QString kGatewayClosed =
    u"The gateway closed the connection. Choose Disconnect before connecting again."_s;
const QString kReset =
    u"The gateway reset the connection. Choose Disconnect before connecting again."_s;

// Closes each message box that comes up and remembers its text.
class BoxCloser : public QObject {
public:
    BoxCloser() {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            texts.append(box->text());
            box->buttons().first()->click();
        });
        m_timer.start(10);
    }
    QStringList texts;

private:
    QTimer m_timer;
};

} // namespace

// What the network can do to a connection, and what the user sees each time: the transcript
// keeps every byte that arrived, the status line says what happened, nothing typed is lost,
// and afterwards Disconnect and a new Connect work.
//
// Addresses: 127.0.0.62 a gateway that closes, 127.0.0.63 one that resets, 127.0.0.64
// nothing (refused), 127.0.0.65 a listener that drops SYNs, 127.0.0.66 to 127.0.0.68 gateways
// that behave.
class tst_NetworkFaults : public QObject {
    Q_OBJECT

    std::unique_ptr<Form1> form;
    MainWindowDriver main{nullptr};

    QString status() const { return form->statusText(); }
    QString transcript() const { return form->Text2->text(); }

    frmLogin *openLogin() {
        main.trigger("mnuLogIn");
        return form->loginWindow();
    }
    frmChannel *openChannels() {
        main.trigger("mnuChannels");
        return form->channelWindow();
    }
    static void pick(QListWidget *list, const QString &entry) {
        list->setCurrentItem(list->findItems(entry, Qt::MatchExactly).at(0));
    }
    void typeLine(const QString &text) {
        form->Text1->setFocus();
        form->Text1->clear();
        QTest::keyClicks(form->Text1, text);
        QTest::keyClick(form->Text1, Qt::Key_Return);
    }

    // Disconnect clears up whatever happened, and a new connection carries text both ways.
    void disconnectAndConnectAgain(const QString &address = u"127.0.0.66"_s) {
        main.trigger("mnuDis");
        QCOMPARE(form->Winsock1->State(), int(Winsock::sckClosed));
        QCOMPARE(transcript(), kTerminated);
        QCOMPARE(status(), u"Disconnected"_s);

        FakeGateway gateway(address);
        QVERIFY(main.connectTo(gateway));
        QCOMPARE(status(), u"Connected to %1:6112"_s.arg(address));
        gateway.send("Username: ");
        QVERIFY(QTest::qWaitFor([&] { return transcript() == kTerminated + u"Username: "; }));
        typeLine(u"after"_s);
        QVERIFY(gateway.waitForBytes(7));
        QCOMPARE(gateway.received(), "after\r\n"_ba);
        main.trigger("mnuDis");
        QVERIFY(gateway.waitForClientGone());
    }

private Q_SLOTS:
    void init() {
        form = std::make_unique<Form1>();
        main.form = form.get();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() {
        delete form->loginWindow();
        delete form->channelWindow();
        form.reset();
    }

    // --- the gateway ends the connection ---

    void gatewayClosesMidLine() {
        FakeGateway gateway(u"127.0.0.62"_s);
        QVERIFY(main.connectTo(gateway));
        gateway.send("1002 JOIN a\r\nhalf a li");
        QVERIFY(QTest::qWaitFor([&] { return transcript().endsWith(u"half a li"); }));
        gateway.closeClient();
        QVERIFY(main.waitForState(Winsock::sckClosing));
        QCOMPARE(status(), kGatewayClosed);
        QCOMPARE(transcript(), kWelcome + u"1002 JOIN a\r\nhalf a li");
        disconnectAndConnectAgain();
    }

    void sendAndCloseAtOnce_data() {
        QTest::addColumn<int>("size");
        QTest::newRow("a line") << 20;
        QTest::newRow("200 KB") << 200 * 1024;
        QTest::newRow("3 MB, more than the socket buffers") << 3 * 1024 * 1024;
    }
    void sendAndCloseAtOnce() {
        QFETCH(int, size);
        QByteArray bytes;
        for (int i = 0; bytes.size() < size; ++i)
            bytes += "2 chat line " + QByteArray::number(i) + " \xc3\xa9\r\n";
        bytes.truncate(size);
        bytes += "last \xe2\x82"; // ends inside a character
        FakeGateway gateway(u"127.0.0.62"_s);
        QVERIFY(main.connectTo(gateway));
        gateway.send(bytes);
        gateway.closeClient();
        const QString expected = kWelcome + decodeWhole(bytes, true);
        QVERIFY(spinUntil([&] { return form->Text2->length() >= expected.size(); }, 20000));
        QVERIFY(main.waitForState(Winsock::sckClosing));
        QTest::qWait(20);
        QVERIFY(transcript() == expected);
        QCOMPARE(status(), kGatewayClosed);
        disconnectAndConnectAgain();
    }

    // Linux keeps what reached the client's receive queue readable when a reset follows, so
    // every byte delivered before the reset must show.
    void resetAfterDelivery_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("turnLoop");
        QTest::newRow("a line, not yet read") << 20 << false;
        QTest::newRow("40 KB, not yet read") << 40 * 1024 << false;
        QTest::newRow("3 MB, partly read") << 3 * 1024 * 1024 << true;
    }
    void resetAfterDelivery() {
        QFETCH(int, size);
        QFETCH(bool, turnLoop);
        QByteArray bytes;
        for (int i = 0; bytes.size() < size; ++i)
            bytes += "2 reset line " + QByteArray::number(i) + "\r\n";
        bytes.truncate(size);
        FakeGateway gateway(u"127.0.0.63"_s);
        QVERIFY(main.connectTo(gateway));
        QTcpSocket *peer = gateway.client();
        peer->write(bytes);
        if (turnLoop) {
            // The client reads as it comes; the reset follows the moment the last byte is
            // acknowledged, with part of it still unread.
            QVERIFY(spinUntil(
                [&] {
                    peer->flush();
                    return peer->bytesToWrite() == 0 && unacknowledgedBytes(peer) == 0;
                },
                20000));
        } else {
            QVERIFY(waitDeliveredWithoutEvents(peer));
        }
        gateway.resetClient();
        const QString expected = kWelcome + decodeWhole(bytes, true);
        QVERIFY(spinUntil([&] { return form->Winsock1->State() >= Winsock::sckClosing; }));
        QVERIFY(spinUntil([&] { return form->Text2->length() >= expected.size(); }, 20000));
        QTest::qWait(20);
        QCOMPARE(form->Text2->length(), expected.size());
        QVERIFY(transcript() == expected);
        QCOMPARE(form->Winsock1->State(), int(Winsock::sckError));
        QCOMPARE(status(), kReset);
        disconnectAndConnectAgain();
    }

    // What the gateway had not yet delivered is gone with the reset; what did arrive is a
    // clean beginning of the stream.
    void resetBeforeDelivery() {
        QByteArray bytes;
        for (int i = 0; bytes.size() < 4 * 1024 * 1024; ++i)
            bytes += "2 lost line " + QByteArray::number(i) + "\r\n";
        FakeGateway gateway(u"127.0.0.63"_s);
        QVERIFY(main.connectTo(gateway));
        gateway.client()->write(bytes);
        gateway.client()->flush();
        gateway.resetClient();
        QVERIFY(spinUntil([&] { return form->Winsock1->State() >= Winsock::sckClosing; }));
        QTest::qWait(100);
        const QString expected = kWelcome + QLatin1StringView(bytes);
        qInfo("%lld of %lld bytes arrived before the reset",
              form->Text2->length() - kWelcome.size(), bytes.size());
        QVERIFY(form->Text2->length() < expected.size());
        QVERIFY(expected.startsWith(transcript()));
        QCOMPARE(form->Winsock1->State(), int(Winsock::sckError));
        QCOMPARE(status(), kReset);
        disconnectAndConnectAgain();
    }

    // The connection ends with the window that owns it, in order.
    void closingTheMainWindowEndsTheConnection() {
        FakeGateway gateway(u"127.0.0.62"_s);
        QVERIFY(main.connectTo(gateway));
        QTcpSocket *peer = gateway.client();
        bool reset = false;
        connect(peer, &QTcpSocket::errorOccurred, this,
                [&] { reset = peer->error() != QAbstractSocket::RemoteHostClosedError; });
        form->close();
        form.reset();
        QVERIFY(gateway.waitForClientGone());
        QVERIFY(!reset);
        form = std::make_unique<Form1>();
        main.form = form.get();
    }

    // --- connecting fails ---

    void connectionRefused() {
        main.startConnect(u"127.0.0.64"_s); // nothing listens there
        QVERIFY(main.waitForState(Winsock::sckError));
        QCOMPARE(
            status(),
            u"Connection refused by 127.0.0.64:6112. Choose Disconnect before connecting again."_s);
        QCOMPARE(transcript(), kWelcome);
        disconnectAndConnectAgain();
    }

    void hostNotFound_data() {
        QTest::addColumn<QString>("host");
        QTest::newRow("the server box's prompt") << u"Select your Server..."_s;
        QTest::newRow("a name that does not exist") << u"no-such-gateway.invalid"_s;
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << u"   "_s;
    }
    void hostNotFound() {
        QFETCH(QString, host);
        // Through the log-in window: its server box as it opens says "Select your Server...".
        frmLogin *login = openLogin();
        if (host != login->Combo1->currentText())
            login->Combo1->setEditText(host);
        QTest::mouseClick(login->cmdConnect, Qt::LeftButton);
        QVERIFY(main.waitForState(Winsock::sckError, 30000));
        QCOMPARE(status(),
                 u"Host not found: "_s + host + u". Choose Disconnect before connecting again."_s);
        QCOMPARE(transcript(), kWelcome);
        QCOMPARE(form->loginWindow(), login);
        QCOMPARE(login->Combo1->currentText(), host);
        disconnectAndConnectAgain();
    }

    void hangingConnectTimesOut() {
        SilentListener listener("127.0.0.65");
        if (!listener.isSilent())
            QSKIP("the kernel accepts every connection to a full listener here");
        form->Winsock1->setConnectTimeout(800);
        QElapsedTimer clock;
        clock.start();
        main.startConnect(u"127.0.0.65"_s);
        QVERIFY(main.waitForState(Winsock::sckConnecting));
        QCOMPARE(status(), u"Connecting to 127.0.0.65:6112..."_s);
        QVERIFY(main.waitForState(Winsock::sckError, 5000));
        qInfo("gave up after %lld ms", clock.elapsed());
        QVERIFY(clock.elapsed() >= 700);
        QCOMPARE(
            status(),
            u"Timed out connecting to 127.0.0.65:6112. Choose Disconnect before connecting again."_s);
        QCOMPARE(transcript(), kWelcome);
        disconnectAndConnectAgain();
    }

    // --- the user presses things at the wrong moment ---

    void connectPressedTwice() {
        FakeGateway gateway(u"127.0.0.67"_s);
        frmLogin *login = openLogin();
        login->Combo1->setEditText(u"127.0.0.67"_s);
        login->cmdConnect->click();
        login->cmdConnect->click(); // before the first has got anywhere
        QVERIFY2(status().startsWith(u"Already connecting"), qPrintable(status()));
        QVERIFY(main.waitForState(Winsock::sckConnected));
        QVERIFY(gateway.waitForClient());
        QTcpSocket *first = gateway.client();
        login->cmdConnect->click();
        QVERIFY2(status().startsWith(u"Already connected"), qPrintable(status()));
        QCOMPARE(form->Winsock1->State(), int(Winsock::sckConnected));
        QCOMPARE(form->loginWindow(), login);
        QCOMPARE(login->Combo1->currentText(), u"127.0.0.67"_s);
        // The first connection is the one in use.
        typeLine(u"one"_s);
        QVERIFY(gateway.waitForBytes(5));
        QCOMPARE(gateway.client(), first);
        QCOMPARE(gateway.received(), "one\r\n"_ba);
        disconnectAndConnectAgain();
    }

    // Send, "Log On!" and "Join" while no connection is open: each says why, sends nothing,
    // and keeps what was typed or picked; after Disconnect and Connect all three go out.
    void nothingTypedIsLost_data() {
        QTest::addColumn<QString>("when");
        QTest::addColumn<QString>("sendFails");
        QTest::newRow("closed") << u"closed"_s << u"Not sent: no connection is open."_s;
        QTest::newRow("connecting") << u"connecting"_s << u"Not sent: still connecting."_s;
        QTest::newRow("after the gateway closed")
            << u"gateway closed"_s << u"Not sent: the gateway closed the connection."_s;
        QTest::newRow("after a refused connect")
            << u"refused"_s << u"Not sent: the connection failed."_s;
    }
    void nothingTypedIsLost() {
        QFETCH(QString, when);
        QFETCH(QString, sendFails);
        std::unique_ptr<SilentListener> silent;
        std::unique_ptr<FakeGateway> closing;
        if (when == u"connecting") {
            silent = std::make_unique<SilentListener>("127.0.0.65");
            if (!silent->isSilent())
                QSKIP("the kernel accepts every connection to a full listener here");
            main.startConnect(u"127.0.0.65"_s);
            QVERIFY(main.waitForState(Winsock::sckConnecting));
        } else if (when == u"gateway closed") {
            closing = std::make_unique<FakeGateway>(u"127.0.0.68"_s);
            QVERIFY(main.connectTo(*closing));
            closing->closeClient();
            QVERIFY(main.waitForState(Winsock::sckClosing));
        } else if (when == u"refused") {
            main.startConnect(u"127.0.0.64"_s);
            QVERIFY(main.waitForState(Winsock::sckError));
        }
        const int state = form->Winsock1->State();

        typeLine(u"a line typed"_s);
        QCOMPARE(status(), sendFails);
        QCOMPARE(form->Text1->text(), u"a line typed"_s);
        QCOMPARE(transcript(), kWelcome);

        frmLogin *login = openLogin();
        QTest::keyClicks(login->Text1, "name");
        QTest::keyClicks(login->Text2, "secret");
        form->reportFailure(QString());
        QTest::mouseClick(login->Command1, Qt::LeftButton);
        QCOMPARE(status(), sendFails);
        QCOMPARE(form->loginWindow(), login);
        QCOMPARE(login->Text1->text(), u"name"_s);
        QCOMPARE(login->Text2->text(), u"secret"_s);

        frmChannel *channels = openChannels();
        pick(channels->List1, u"Magic"_s);
        BoxCloser boxes;
        form->reportFailure(QString());
        QTest::mouseClick(channels->Command1, Qt::LeftButton);
        QCOMPARE(status(), sendFails);
        // Only a closed socket is asked for a connection first.
        QCOMPARE(boxes.texts,
                 state == Winsock::sckClosed ? QStringList{u"Connect First"_s} : QStringList());
        QCOMPARE(form->channelWindow(), channels);
        QCOMPARE(channels->List1->selectedItems().value(0)->text(), u"Magic"_s);
        QCOMPARE(form->Winsock1->State(), state);
        QCOMPARE(transcript(), kWelcome);

        // Disconnect, connect again, and everything that was kept goes out.
        main.trigger("mnuDis");
        FakeGateway gateway(u"127.0.0.66"_s);
        QVERIFY(main.connectTo(gateway));
        QTest::mouseClick(form->cmdSend, Qt::LeftButton);
        QTest::mouseClick(login->Command1, Qt::LeftButton);
        QTest::mouseClick(channels->Command1, Qt::LeftButton);
        const QByteArray expected = "a line typed\r\n\x03\x04name\r\nsecret\r\n/join magic\r\n"_ba;
        QVERIFY(gateway.waitForBytes(expected.size()));
        QCOMPARE(gateway.received(), expected);
        // Disconnect left the caret at the start, and the echo goes where the caret is.
        QCOMPARE(transcript(), u"a line typed\r\n"_s + kTerminated);
        QTRY_VERIFY(!form->loginWindow());
        QTRY_VERIFY(!form->channelWindow());
        QCOMPARE(status(), u"Connected to 127.0.0.66:6112"_s);
    }
};

QTEST_MAIN(tst_NetworkFaults)
#include "tst_networkfaults.moc"
