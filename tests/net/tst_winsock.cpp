#include "common/bytes.h"
#include "common/fakegateway.h"
#include "common/testaddresses.h"
#include "net/winsock.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using TestAddresses::address;
using TestAddresses::kNet;

// The socket layer against a real loopback peer, each case on an address of its own.
class TestWinsock : public QObject {
    Q_OBJECT

private:
    // Collects every arrival the way the main window does: all of it, whatever bytesTotal says.
    struct Receiver {
        explicit Receiver(Winsock &socket) {
            QObject::connect(&socket, &Winsock::DataArrival, &socket, [this, &socket] {
                QString data;
                socket.GetData(data);
                pieces.append(data);
                text += data;
            });
        }
        QStringList pieces;
        QString text;
    };

    static SocketResult connectTo(Winsock &socket, const QString &host) {
        socket.setRemoteHost(host);
        socket.setRemotePort(6112);
        return socket.Connect();
    }

    static bool waitForState(const Winsock &socket, int state, int msecs = 5000) {
        return QTest::qWaitFor([&] { return socket.State() == state; }, msecs);
    }

    // The call was refused for `outcome` in the state the socket is in.
    static bool refused(const SocketResult &result, SocketResult::Outcome outcome,
                        const Winsock &socket) {
        return !result.ok() && result.outcome() == outcome && result.state() == socket.State();
    }

private Q_SLOTS:
    void init() { SKIP_WITHOUT_LOOPBACK_ALIASES(); }

    void sendsTextAsItsBytesInCallOrder() {
        FakeGateway gateway(address(kNet, 0));
        Winsock socket;
        QVERIFY(connectTo(socket, gateway.address()).ok());
        // Connect returns at once, before the connection exists; nothing may be sent yet.
        QVERIFY(socket.State() == Winsock::sckConnecting ||
                socket.State() == Winsock::sckResolvingHost);
        QVERIFY(refused(socket.SendData(QStringLiteral("early\r\n")), SocketResult::NotConnected,
                        socket));
        QVERIFY(refused(socket.Connect(), SocketResult::NotClosed, socket));
        QVERIFY(waitForState(socket, Winsock::sckConnected));
        QVERIFY(refused(socket.Connect(), SocketResult::NotClosed, socket));

        for (const QString &text : QStringList{u"hello\r\n"_s, u"\r\n"_s, u"   \r\n"_s,
                                               QString(QChar(3)) + QChar(4) + u"J\u00f6rg\r\n\r\n"})
            QVERIFY(socket.SendData(text).ok());
        const QByteArray expected("hello\r\n\r\n   \r\n\x03\x04J\xc3\xb6rg\r\n\r\n");
        QVERIFY(gateway.waitForBytes(expected.size()));
        COMPARE_BYTES(gateway.received(), expected);

        // Close never fails, also twice in a row; a closed socket sends nothing.
        socket.Close();
        socket.Close();
        QCOMPARE(socket.State(), 0);
        QVERIFY(
            refused(socket.SendData(QStringLiteral("hi\r\n")), SocketResult::NotConnected, socket));
        QVERIFY(gateway.waitForClientGone());
        COMPARE_BYTES(gateway.received(), expected);
    }

    void takesEverythingThatArrivedAsText() {
        FakeGateway gateway(address(kNet, 1));
        Winsock socket;
        Receiver receiver(socket);
        QVERIFY(connectTo(socket, gateway.address()).ok());
        QVERIFY(gateway.waitForClient());

        // A line split over two arrivals joins up; several lines in one arrive together.
        gateway.send("Hel");
        QTRY_COMPARE(receiver.text, u"Hel"_s);
        gateway.send("lo\r\n1002 JOIN a\r\n1002 JOIN b\r\n");
        QTRY_COMPARE(receiver.text, u"Hello\r\n1002 JOIN a\r\n1002 JOIN b\r\n"_s);

        // A character split between two arrivals comes out whole.
        receiver.text.clear();
        gateway.send("caf\xc3");
        QTRY_COMPARE(receiver.text, u"caf"_s);
        gateway.send("\xa9 \x93ok\x94");
        QTRY_COMPARE(receiver.text, u"caf\u00e9 \u201cok\u201d"_s);
    }

    void hugeArrivalComesInBoundedPieces() {
        FakeGateway gateway(address(kNet, 2));
        Winsock socket;
        Receiver receiver(socket);
        QVERIFY(connectTo(socket, gateway.address()).ok());
        QVERIFY(gateway.waitForClient());

        QByteArray flood;
        for (int i = 0; flood.size() < 3 * 1024 * 1024; ++i)
            flood += "line " + QByteArray::number(i).rightJustified(54, '.') + "\r\n";
        gateway.send(flood);
        QTRY_COMPARE_WITH_TIMEOUT(receiver.text.size(), flood.size(), 20000);
        COMPARE_BYTES(receiver.text.toLatin1(), flood);
        QVERIFY(receiver.pieces.size() >= flood.size() / Winsock::kMaxPiece);
        for (const QString &piece : std::as_const(receiver.pieces))
            QVERIFY(piece.size() <= Winsock::kMaxPiece);
    }

    void gatewayClosingKeepsEveryByteAndStateEight() {
        FakeGateway gateway(address(kNet, 3));
        Winsock socket;
        const QString idle = socket.LocalIP();
        Receiver receiver(socket);
        QVERIFY(connectTo(socket, gateway.address()).ok());
        QVERIFY(gateway.waitForClient());

        // Sent and closed at once, ending in the middle of a line and of a character.
        QByteArray last(200000, 'x');
        last += "\r\nbye\xe2\x82";
        gateway.send(last);
        gateway.closeClient();
        QVERIFY(waitForState(socket, Winsock::sckClosing));
        QTRY_VERIFY(receiver.text.endsWith(u"bye\u00e2\u201a"));
        QCOMPARE(receiver.text.size(), last.size());
        // It stays 8, refusing both calls, until Close.
        QVERIFY(refused(socket.SendData(QStringLiteral("late\r\n")), SocketResult::NotConnected,
                        socket));
        QVERIFY(refused(socket.Connect(), SocketResult::NotClosed, socket));
        QCOMPARE(socket.State(), int(Winsock::sckClosing));

        QSignalSpy states(&socket, &Winsock::stateChanged);
        socket.Close();
        QCOMPARE(states.size(), 1);
        QCOMPARE(states.last().at(0).toInt(), 0);
        // Once closed, the local address is no longer the old connection's.
        QCOMPARE(socket.LocalIP(), idle);

        // The same socket connects again.
        QVERIFY(connectTo(socket, gateway.address()).ok());
        QVERIFY(waitForState(socket, Winsock::sckConnected));
        QVERIFY(socket.SendData(QStringLiteral("again\r\n")).ok());
        QTRY_VERIFY(gateway.received().endsWith("again\r\n"));
    }

    void failedConnectIsStateNineUntilClose_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<Winsock::Failure>("failure");
        QTest::newRow("nothing listens") << address(kNet, 4) << Winsock::ConnectionRefused;
        QTest::newRow("no such host") << u"Select your Server..."_s << Winsock::HostNotFound;
    }

    void failedConnectIsStateNineUntilClose() {
        QFETCH(QString, host);
        QFETCH(Winsock::Failure, failure);
        Winsock socket;
        QSignalSpy failures(&socket, &Winsock::failed);
        QVERIFY(connectTo(socket, host).ok());
        QVERIFY(waitForState(socket, Winsock::sckError, 30000));
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures.at(0).at(0).value<Winsock::Failure>(), failure);
        QVERIFY(refused(socket.Connect(), SocketResult::NotClosed, socket));
        socket.Close();
        QCOMPARE(socket.State(), 0);

        FakeGateway gateway(address(kNet, 4));
        QVERIFY(connectTo(socket, gateway.address()).ok());
        QVERIFY(waitForState(socket, Winsock::sckConnected));
    }
};

QTEST_GUILESS_MAIN(TestWinsock)
#include "tst_winsock.moc"
