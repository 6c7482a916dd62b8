#include "fixture.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTcpSocket>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString kWelcome = u"\t                 \tWELCOME TO BRACKMOOR CHAT v3.05\r\n"_s;
const QString kTerminated = u"[ YOUR CONNECTION HAS BEEN TERMINATED ]"_s;
const QString kAgain = u". Choose Disconnect before connecting again."_s;
enum Delivery { Unread, PartlyRead, Undelivered };

} // namespace

// What the network can do to a connection, and what the user sees each time: the transcript
// keeps every byte that arrived, the status line says what happened, nothing typed is lost,
// and afterwards Disconnect and a new Connect work. Addresses by index: 2 and 3 gateways
// that reset, 4 nothing (refused), 5 a listener that drops SYNs, 6 and 7 gateways that behave.
class tst_NetworkFaults : public MainWindowTest {
    Q_OBJECT

    // Disconnect clears up whatever happened; a new connection carries text both ways, and
    // Connect pressed again while it is open changes nothing.
    void disconnectAndConnectAgain() {
        trigger("mnuDis");
        QCOMPARE(socket()->State(), int(Winsock::sckClosed));
        QCOMPARE(status(), u"Disconnected"_s);
        FakeGateway gateway(address(6));
        QVERIFY(connectTo(gateway));
        QCOMPARE(status(), u"Connected to %1:6112"_s.arg(address(6)));
        QTcpSocket *first = gateway.client();
        connectThroughLogin(address(6));
        QVERIFY2(status().startsWith(u"Already connected"), qPrintable(status()));
        gateway.send("Username: ");
        QTRY_COMPARE(text(), kTerminated + u"Username: ");
        typeLine(u"after"_s);
        QVERIFY(gateway.waitForBytes(7));
        QCOMPARE(gateway.client(), first);
        COMPARE_BYTES(gateway.received(), "after\r\n"_ba);
    }

private Q_SLOTS:
    // Linux keeps what reached the client's receive queue readable when a reset follows, so
    // every byte delivered before the reset must show; what was not delivered is gone, and
    // what did arrive is a clean beginning of the stream.
    void gatewayResets_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("delivery");
        QTest::newRow("a line, not yet read") << 20 << int(Unread);
        QTest::newRow("40 KB, not yet read") << (40 << 10) << int(Unread);
        QTest::newRow("3 MB, partly read") << (3 << 20) << int(PartlyRead);
        QTest::newRow("4 MB, most not delivered") << (4 << 20) << int(Undelivered);
    }
    void gatewayResets() {
        QFETCH(int, size);
        QFETCH(int, delivery);
        if (delivery != Undelivered && kProbesMissing)
            QSKIP(kProbesMissing);
        const QByteArray bytes = chatLines(size, "reset");
        FakeGateway gateway(address(3));
        QVERIFY(connectTo(gateway));
        gateway.client()->write(bytes);
        if (delivery == Undelivered)
            gateway.client()->flush();
        else // the partly read stream is reset the moment its last byte is acknowledged
            QVERIFY(waitAcknowledged(gateway.client(), delivery == PartlyRead));
        gateway.resetClient();
        QVERIFY(waitForState(Winsock::sckError));
        // The socket reads on until its connection is gone, then hands on what it kept.
        const auto *connection = socket()->findChild<QTcpSocket *>();
        QVERIFY(connection);
        QVERIFY(spinUntil(
            [&] {
                return connection->state() == QAbstractSocket::UnconnectedState &&
                       socket()->bytesAvailable() == 0;
            },
            20000));
        const QString sent = kWelcome + decodeWhole(bytes, true);
        if (delivery == Undelivered) {
            qInfo("%lld of %d bytes arrived before the reset", text().size() - kWelcome.size(),
                  size);
            QVERIFY(text().size() < sent.size() && sent.startsWith(text()));
        } else {
            QCOMPARE(text().size(), sent.size());
            QVERIFY(text() == sent);
        }
        QCOMPARE(status(), u"The gateway reset the connection"_s + kAgain);
        disconnectAndConnectAgain();
    }

    // The connection ends with the window that owns it, in order.
    void closingTheMainWindowEndsTheConnection() {
        FakeGateway gateway(address(2));
        QVERIFY(connectTo(gateway));
        QTcpSocket *peer = gateway.client();
        bool reset = false;
        connect(peer, &QTcpSocket::errorOccurred, this,
                [&] { reset = peer->error() != QAbstractSocket::RemoteHostClosedError; });
        form->close();
        form.reset();
        QVERIFY(gateway.waitForClientGone());
        QVERIFY(!reset);
        form = std::make_unique<Form1>();
    }

    // A failed connect says why, as plain text, and leaves the transcript as it was.
    void connectFails_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("failure");
        QTest::newRow("refused") << address(4)
                                 << u"Connection refused by %1:6112"_s.arg(address(4));
        QTest::newRow("no answer")
            << address(5) << u"Timed out connecting to %1:6112"_s.arg(address(5));
        // The server box as the log-in window opens says "Select your Server...".
        for (const QString &host : {u"Select your Server..."_s, u"no-such-gateway.invalid"_s,
                                    QString(), u"   "_s, u"<b>bold</b><img src=file:///x>"_s})
            QTest::addRow("host \"%s\"", qPrintable(host)) << host << u"Host not found: "_s + host;
    }
    void connectFails() {
        QFETCH(QString, host);
        QFETCH(QString, failure);
        const bool hangs = host == address(5);
        QTcpServer silent;
        if (hangs && !listenSilently(silent, host))
            QSKIP("the kernel accepts every connection to a full listener here");
        socket()->setConnectTimeout(800);
        QElapsedTimer clock;
        clock.start();
        connectThroughLogin(host);
        if (hangs) {
            QVERIFY(waitForState(Winsock::sckConnecting));
            QCOMPARE(status(), u"Connecting to %1:6112..."_s.arg(host));
            connectThroughLogin(host);
            QVERIFY2(status().startsWith(u"Already connecting"), qPrintable(status()));
        }
        QVERIFY(waitForState(Winsock::sckError, 30000));
        QVERIFY(!hangs || clock.elapsed() >= 700);
        QCOMPARE(status(), failure + kAgain);
        QCOMPARE(statusLine()->textFormat(), Qt::PlainText);
        QCOMPARE(text(), kWelcome);
        disconnectAndConnectAgain();
    }

    // Send and "Log On!" without an open connection say why, send nothing and keep what was
    // typed, with the log-in window open: after Disconnect and Connect both go out.
    void nothingTypedIsLost_data() {
        QTest::addColumn<int>("server"); // the address index, or -1 for none
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("sendFails");
        QTest::newRow("closed") << -1 << int(Winsock::sckClosed)
                                << u"Not sent: no connection is open."_s;
        QTest::newRow("connecting")
            << 5 << int(Winsock::sckConnecting) << u"Not sent: still connecting."_s;
        QTest::newRow("after the gateway closed")
            << 7 << int(Winsock::sckClosing) << u"Not sent: the gateway closed the connection."_s;
        QTest::newRow("after a refused connect")
            << 4 << int(Winsock::sckError) << u"Not sent: the connection failed."_s;
    }
    void nothingTypedIsLost() {
        QFETCH(int, server);
        QFETCH(int, state);
        QFETCH(QString, sendFails);
        QTcpServer silent;
        if (state == Winsock::sckConnecting && !listenSilently(silent, address(server)))
            QSKIP("the kernel accepts every connection to a full listener here");
        std::optional<FakeGateway> closing;
        if (state == Winsock::sckClosing)
            closing.emplace(address(server));
        if (server >= 0)
            connectThroughLogin(address(server));
        if (closing && closing->waitForClient())
            closing->closeClient();
        QVERIFY(waitForState(state));

        typeLine(u"a line typed"_s);
        QCOMPARE(status(), sendFails);
        trigger("mnuLogIn");
        const QPointer<QWidget> login = openWindow("frmLogin");
        QTest::keyClicks(child<QLineEdit>(login, "Text1"), "name");
        QTest::keyClicks(child<QLineEdit>(login, "Text2"), "secret");
        statusLine()->clear(); // so that what it says next is the click's
        QTest::mouseClick(child<QPushButton>(login, "Command1"), Qt::LeftButton);
        QCOMPARE(status(), sendFails);
        QCOMPARE(socket()->State(), state);
        QCOMPARE(text(), kWelcome);

        trigger("mnuDis");
        FakeGateway gateway(address(6));
        QVERIFY(connectTo(gateway));
        QTest::mouseClick(child<QPushButton>(form.get(), "cmdSend"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(login, "Command1"), Qt::LeftButton);
        const QByteArray expected = "a line typed\r\n\x03\x04name\r\nsecret\r\n"_ba;
        QVERIFY(gateway.waitForBytes(expected.size()));
        COMPARE_BYTES(gateway.received(), expected);
        // Disconnect left the caret at the start, and the echo goes where the caret is.
        QCOMPARE(text(), u"a line typed\r\n"_s + kTerminated);
        QTRY_VERIFY(!login);
    }
};

QTEST_MAIN(tst_NetworkFaults)
#include "tst_networkfaults.moc"
