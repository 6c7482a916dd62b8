#include "common/fakegateway.h"
#include "net/socketerror.h"
#include "net/winsock.h"

#include <QSignalSpy>
#include <QTest>

// The socket layer against a real loopback peer. Each case that needs a gateway listens on
// its own address from 127.0.0.2 to 127.0.0.9.
class TestWinsock : public QObject {
    Q_OBJECT

private:
    // Collects every arrival the way the main window does: all of it, whatever bytesTotal says.
    struct Receiver {
        explicit Receiver(Winsock &socket) {
            QObject::connect(&socket, &Winsock::DataArrival, &socket,
                             [this, &socket](qint64 bytesTotal) {
                                 totals.append(bytesTotal);
                                 QString data;
                                 socket.GetData(data);
                                 pieces.append(data);
                                 text += data;
                             });
        }
        QList<qint64> totals;
        QStringList pieces;
        QString text;
    };

    static void connectTo(Winsock &socket, const QString &host) {
        socket.setProtocol(Winsock::sckTCPProtocol);
        socket.setRemoteHost(host);
        socket.setRemotePort(6112);
        socket.Connect();
    }

    static bool waitForState(const Winsock &socket, int state, int msecs = 5000) {
        return QTest::qWaitFor([&] { return socket.State() == state; }, msecs);
    }

private Q_SLOTS:
    void startsClosedWithStoredSettings() {
        Winsock socket;
        QCOMPARE(socket.State(), 0);
        QCOMPARE(socket.Protocol(), 0);
        QCOMPARE(socket.RemotePort(), 6112);
        QCOMPARE(socket.RemoteHost(), QStringLiteral("63.240.202.120"));
        QVERIFY(!socket.LocalIP().isEmpty());
    }

    void sendsTextAsItsBytesInCallOrder() {
        FakeGateway gateway(QStringLiteral("127.0.0.2"));
        QVERIFY(gateway.isListening());
        Winsock socket;
        connectTo(socket, QStringLiteral("127.0.0.2"));
        // Connect returns at once, before the connection exists.
        QVERIFY(socket.State() == Winsock::sckConnecting ||
                socket.State() == Winsock::sckResolvingHost);
        QVERIFY(waitForState(socket, Winsock::sckConnected));

        socket.SendData(QStringLiteral("hello\r\n"));
        socket.SendData(QStringLiteral("\r\n"));
        socket.SendData(QStringLiteral("   \r\n"));
        socket.SendData(QString(QChar(3)).append(QChar(4)) + u"J\u00f6rg\r\n\r\n");
        const QByteArray expected("hello\r\n\r\n   \r\n\x03\x04J\xc3\xb6rg\r\n\r\n");
        QVERIFY(gateway.waitForBytes(expected.size()));
        QCOMPARE(gateway.received(), expected);
    }

    void refusesCallsTheStateDoesNotAllow() {
        Winsock socket;
        try {
            socket.SendData(QStringLiteral("hi\r\n"));
            QFAIL("SendData on a closed socket must fail");
        } catch (const SocketError &error) {
            QCOMPARE(error.kind(), SocketError::NotConnected);
            QVERIFY(!error.message().isEmpty());
        }

        FakeGateway gateway(QStringLiteral("127.0.0.3"));
        connectTo(socket, QStringLiteral("127.0.0.3"));
        // Still connecting: neither a second Connect nor a send is allowed.
        QVERIFY_THROWS_EXCEPTION(SocketError, socket.Connect());
        QVERIFY_THROWS_EXCEPTION(SocketError, socket.SendData(QStringLiteral("early\r\n")));
        QVERIFY(waitForState(socket, Winsock::sckConnected));
        QVERIFY_THROWS_EXCEPTION(SocketError, socket.Connect());
        QVERIFY(gateway.waitForClient());
        QTest::qWait(50);
        QCOMPARE(gateway.received(), QByteArray());

        // Close never fails, also twice in a row.
        socket.Close();
        socket.Close();
        QCOMPARE(socket.State(), 0);
    }

    void takesEverythingThatArrivedAsText() {
        FakeGateway gateway(QStringLiteral("127.0.0.4"));
        Winsock socket;
        Receiver receiver(socket);
        connectTo(socket, QStringLiteral("127.0.0.4"));
        QVERIFY(waitForState(socket, Winsock::sckConnected));
        QVERIFY(gateway.waitForClient());

        // A line split over two arrivals joins up; several lines in one arrive together.
        gateway.send("Hel");
        QVERIFY(QTest::qWaitFor([&] { return receiver.text == u"Hel"; }));
        gateway.send("lo\r\n1002 JOIN a\r\n1002 JOIN b\r\n");
        QVERIFY(QTest::qWaitFor([&] { return receiver.text.size() == 33; }));
        QCOMPARE(receiver.text, QStringLiteral("Hello\r\n1002 JOIN a\r\n1002 JOIN b\r\n"));

        // A character split between two arrivals comes out whole.
        receiver.text.clear();
        gateway.send("caf\xc3");
        QVERIFY(QTest::qWaitFor([&] { return receiver.text == u"caf"; }));
        gateway.send("\xa9 \x93ok\x94");
        QVERIFY(QTest::qWaitFor([&] { return receiver.text.size() == 9; }));
        QCOMPARE(receiver.text, QStringLiteral("caf\u00e9 \u201cok\u201d"));
    }

    void hugeArrivalComesInBoundedPieces() {
        FakeGateway gateway(QStringLiteral("127.0.0.5"));
        Winsock socket;
        Receiver receiver(socket);
        connectTo(socket, QStringLiteral("127.0.0.5"));
        QVERIFY(waitForState(socket, Winsock::sckConnected));
        QVERIFY(gateway.waitForClient());

        QByteArray flood;
        for (int i = 0; flood.size() < 3 * 1024 * 1024; ++i)
            flood += "line " + QByteArray::number(i).rightJustified(54, '.') + "\r\n";
        gateway.send(flood);
        QVERIFY(QTest::qWaitFor([&] { return receiver.text.size() == flood.size(); }, 20000));
        QCOMPARE(receiver.text.toLatin1(), flood);
        QVERIFY(receiver.pieces.size() >= flood.size() / Winsock::kMaxPiece);
        for (const QString &piece : std::as_const(receiver.pieces))
            QVERIFY(piece.size() <= Winsock::kMaxPiece);
    }

    void gatewayClosingKeepsEveryByteAndStateEight() {
        FakeGateway gateway(QStringLiteral("127.0.0.6"));
        Winsock socket;
        Receiver receiver(socket);
        QSignalSpy states(&socket, &Winsock::stateChanged);
        connectTo(socket, QStringLiteral("127.0.0.6"));
        QVERIFY(waitForState(socket, Winsock::sckConnected));
        QVERIFY(gateway.waitForClient());

        // Sent and closed at once, ending in the middle of a line and of a character.
        QByteArray last(200000, 'x');
        last += "\r\nbye\xe2\x82";
        gateway.send(last);
        gateway.closeClient();
        QVERIFY(waitForState(socket, Winsock::sckClosing));
        QVERIFY(QTest::qWaitFor([&] { return receiver.text.endsWith(u"bye\u00e2\u201a"); }));
        QCOMPARE(receiver.text.size(), last.size());
        QTest::qWait(50);
        QCOMPARE(socket.State(), int(Winsock::sckClosing));
        QVERIFY_THROWS_EXCEPTION(SocketError, socket.SendData(QStringLiteral("late\r\n")));
        QVERIFY_THROWS_EXCEPTION(SocketError, socket.Connect());

        socket.Close();
        QCOMPARE(socket.State(), 0);
        QCOMPARE(states.last().at(0).toInt(), 0);

        // The same socket connects again.
        connectTo(socket, QStringLiteral("127.0.0.6"));
        QVERIFY(waitForState(socket, Winsock::sckConnected));
        socket.SendData(QStringLiteral("again\r\n"));
        QVERIFY(QTest::qWaitFor([&] { return gateway.received().endsWith("again\r\n"); }));
    }

    void refusedConnectIsStateNineUntilClose() {
        Winsock socket;
        QSignalSpy failures(&socket, &Winsock::failed);
        connectTo(socket, QStringLiteral("127.0.0.7")); // nothing listens there
        QVERIFY(waitForState(socket, Winsock::sckError));
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures.at(0).at(0).value<Winsock::Failure>(), Winsock::ConnectionRefused);
        QVERIFY_THROWS_EXCEPTION(SocketError, socket.Connect());
        socket.Close();
        QCOMPARE(socket.State(), 0);

        FakeGateway gateway(QStringLiteral("127.0.0.7"));
        connectTo(socket, QStringLiteral("127.0.0.7"));
        QVERIFY(waitForState(socket, Winsock::sckConnected));
    }

    void unknownHostIsStateNine() {
        Winsock socket;
        QSignalSpy failures(&socket, &Winsock::failed);
        connectTo(socket, QStringLiteral("Select your Server..."));
        QVERIFY(waitForState(socket, Winsock::sckError, 30000));
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures.at(0).at(0).value<Winsock::Failure>(), Winsock::HostNotFound);
    }

    void localIpIsTheConnectionsOwnWhileConnected() {
        FakeGateway gateway(QStringLiteral("127.0.0.8"));
        Winsock socket;
        const QString idle = socket.LocalIP();
        QVERIFY(QHostAddress(idle).protocol() == QAbstractSocket::IPv4Protocol);
        connectTo(socket, QStringLiteral("127.0.0.8"));
        QVERIFY(waitForState(socket, Winsock::sckConnected));
        QVERIFY(gateway.waitForClient());
        QCOMPARE(socket.LocalIP(),
                 QHostAddress(gateway.client()->peerAddress().toIPv4Address()).toString());
        socket.Close();
        QCOMPARE(socket.LocalIP(), idle);
    }
};

QTEST_GUILESS_MAIN(TestWinsock)
#include "tst_winsock.moc"
