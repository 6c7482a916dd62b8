#include "common/fakegateway.h"
#include "common/testaddresses.h"
#include "net/winsock.h"

#include <QTest>

using TestAddresses::address;
using TestAddresses::kNet;

// The socket layer against a real loopback peer. What the user sees of it (bytes sent, text
// received, closing, refusals and failures in words) is checked through the main window and
// end to end; here only what no window shows.
class TestWinsock : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { SKIP_WITHOUT_LOOPBACK_ALIASES(); }

    // However much is waiting, one arrival hands over at most kMaxPiece characters.
    void hugeArrivalComesInBoundedPieces() {
        FakeGateway gateway(address(kNet, 0));
        Winsock socket;
        qsizetype taken = 0, largest = 0;
        connect(&socket, &Winsock::DataArrival, this, [&] {
            QString piece;
            socket.GetData(piece);
            taken += piece.size();
            largest = qMax(largest, piece.size());
        });
        QVERIFY(connectSocket(socket, gateway));
        const QByteArray flood(3 << 20, 'x');
        gateway.send(flood);
        QTRY_COMPARE_WITH_TIMEOUT(taken, flood.size(), 20000);
        QVERIFY2(largest <= Winsock::kMaxPiece, qPrintable(QString::number(largest)));
    }
};

QTEST_GUILESS_MAIN(TestWinsock)
#include "tst_winsock.moc"
