#include "fixture.h"

#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace {

const QString kAgain = u". Choose Disconnect before connecting again."_s;
const QString kFailedNotSent = u"Not sent: the connection failed."_s;
enum Delivery { Unread, PartlyRead, Undelivered };

} // namespace

// Network faults: what arrived is kept, the status says why, nothing typed is lost. Addresses:
// 2, 3 gateways, 4 refused, 5 drops SYNs, 6 the gateway for afterwards.
class tst_NetworkFaults : public MainWindowTest {
    Q_OBJECT

private Q_SLOTS:
    void nothingTypedIsLostWhileClosed() {
        nothingTypedIsLost(u"Not sent: no connection is open."_s, address(6));
    }

    // Every byte delivered before a reset shows; of an undelivered stream, a clean beginning.
    void gatewayResets_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("delivery");
        QTest::newRow("40 KB, not yet read") << (40 << 10) << int(Unread);
        QTest::newRow("3 MB, partly read") << (3 << 20) << int(PartlyRead);
        QTest::newRow("4 MB, most not delivered") << (4 << 20) << int(Undelivered);
    }
    void gatewayResets() {
        QFETCH(int, size);
        QFETCH(int, delivery);
        if (!Winsock::tellsResetFromClose())
            QSKIP("this build reports a reset by the gateway as Qt does, as an ordered close");
        if (delivery != Undelivered && kProbesMissing)
            QSKIP(kProbesMissing);
        const QByteArray bytes = chatLines(size, "reset");
        const QString sent = text() + decodeWhole(bytes, true); // after the welcome line
        FakeGateway gateway(address(3));
        QVERIFY(connectTo(gateway));
        gateway.client()->write(bytes);
        if (delivery == Undelivered)
            gateway.client()->flush();
        else // the partly read stream is reset the moment its last byte is acknowledged
            QVERIFY(waitAcknowledged(gateway.client(), delivery == PartlyRead));
        gateway.resetClient();
        QVERIFY(waitForState(Winsock::sckError));
        const auto *connection = socket()->findChild<QTcpSocket *>();
        QVERIFY(connection);
        QVERIFY(spinUntil(
            [&] {
                return connection->state() == QAbstractSocket::UnconnectedState &&
                       socket()->bytesAvailable() == 0;
            },
            20000));
        if (delivery == Undelivered) {
            qInfo("%lld of %lld characters shown before the reset", text().size(), sent.size());
            QVERIFY(text().size() < sent.size() && sent.startsWith(text()));
        } else {
            QCOMPARE(text().size(), sent.size());
            QVERIFY(text() == sent);
        }
        QCOMPARE(status(), u"The gateway reset the connection"_s + kAgain);
        nothingTypedIsLost(kFailedNotSent, address(6));
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
        const QString before = text();
        QElapsedTimer clock;
        clock.start();
        connectThroughLogin(host);
        if (hangs) {
            QVERIFY(waitForState(Winsock::sckConnecting));
            QCOMPARE(status(), u"Connecting to %1:6112..."_s.arg(host));
            connectThroughLogin(host);
            QVERIFY2(status().startsWith(u"Already connecting"), qPrintable(status()));
            typeLine(u"early"_s);
            QCOMPARE(status(), u"Not sent: still connecting."_s);
        }
        QVERIFY(waitForState(Winsock::sckError, 30000));
        QVERIFY(!hangs || clock.elapsed() >= 700);
        QCOMPARE(status(), failure + kAgain);
        QCOMPARE(statusLine()->textFormat(), Qt::PlainText);
        QCOMPARE(text(), before);
        nothingTypedIsLost(kFailedNotSent, address(6));
    }
};

QTEST_MAIN(tst_NetworkFaults)
#include "tst_networkfaults.moc"
