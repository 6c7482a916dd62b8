#include "chatclient.h"
#include "common/bytes.h"
#include "common/testaddresses.h"

#include <QProcess>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

const QString kAddress = TestAddresses::address(TestAddresses::kGatewayTool, 1);

// The gateway program, started with `arguments` and stopped at the end.
struct Gateway : QProcess {
    explicit Gateway(const QStringList &arguments) {
        start(QStringLiteral(GATEWAY_BINARY), arguments);
    }
    ~Gateway() override {
        terminate();
        waitForFinished();
    }
    // Waits until the gateway has printed `line` as a whole line.
    bool printed(const QString &line) {
        return QTest::qWaitFor([&] {
            output += readAllStandardOutput();
            return output.contains((line + u'\n').toUtf8());
        });
    }
    QByteArray output;
};

// "address:port", as the gateway names a client.
QString peer(const ChatClient &client) {
    return kAddress + u':' + QString::number(client.socket.localPort());
}

} // namespace

class TestGatewayBinary : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { SKIP_WITHOUT_LOOPBACK_ALIASES(); }
    void servesAndStopsOnSignal_data();
    void servesAndStopsOnSignal();
    void failsClearly_data();
    void failsClearly();
};

void TestGatewayBinary::servesAndStopsOnSignal_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<QByteArray>("fifthLine"); // what a fifth line in a burst gets
    QTest::newRow("quota, SIGTERM")
        << QStringList() << int(SIGTERM) << QByteArray("1019 ERROR \"Your message quota");
    QTest::newRow("no quota, SIGINT") << QStringList{QStringLiteral("--no-flood-quota")}
                                      << int(SIGINT) << QByteArray("1018 INFO \"You are alice,");
}

void TestGatewayBinary::servesAndStopsOnSignal() {
#ifndef Q_OS_UNIX
    QSKIP("stopping the gateway by a signal needs POSIX kill()");
#else
    QFETCH(QStringList, options);
    QFETCH(int, signalNumber);
    QFETCH(QByteArray, fifthLine);
    Gateway gateway(options << kAddress);
    QVERIFY(gateway.printed(u"Listening on "_s + kAddress + u":6112"_s));
    ChatClient client, lingering;
    QVERIFY(client.logOn(kAddress, "alice", "secret"));
    const QString alice = peer(client);
    QVERIFY(gateway.printed(u"Connected "_s + alice));
    client.send("a\r\nb\r\nc\r\nd\r\n/whoami\r\n");
    const QByteArray burst = QByteArray("1018 INFO \"No one hears you.\"\r\n").repeated(4);
    COMPARE_BYTES(client.take(burst.size() + fifthLine.size()), burst + fifthLine);
    client.socket.disconnectFromHost();
    QVERIFY(gateway.printed(u"Disconnected "_s + alice + u" (alice)"_s));
    // A client still connected at the stop does not hold it up.
    QVERIFY(lingering.connectTo(kAddress));
    QVERIFY(gateway.printed(u"Connected "_s + peer(lingering)));
    const QString stopped = u"Disconnected "_s + peer(lingering) + u"\nStopped."_s;
    ::kill(static_cast<pid_t>(gateway.processId()), signalNumber);
    QVERIFY(gateway.waitForFinished(5000));
    QCOMPARE(gateway.exitStatus(), QProcess::NormalExit);
    QCOMPARE(gateway.exitCode(), 0);
    QVERIFY(!lingering.waitFor(ChatClient::kClosed).isNull());
    QVERIFY(gateway.printed(stopped));
    QCOMPARE(gateway.readAllStandardError(), QByteArray());
#endif
}

void TestGatewayBinary::failsClearly_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");
    QTest::newRow("address taken") << kAddress << 1 << QStringLiteral("cannot listen on %1:6112: ");
    QTest::newRow("no address") << QStringLiteral("not-an-address") << 2
                                << QStringLiteral("\"not-an-address\" is not an IP address");
}

// Another gateway holds the address meanwhile.
void TestGatewayBinary::failsClearly() {
    QFETCH(QString, option);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    Gateway first({kAddress});
    QVERIFY(first.printed(u"Listening on "_s + kAddress + u":6112"_s));
    Gateway second({option});
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), exitCode);
    const QString text = QString::fromLocal8Bit(second.readAll() + second.readAllStandardError());
    QVERIFY2(text.contains(says.arg(kAddress)), qPrintable(text));
}

QTEST_GUILESS_MAIN(TestGatewayBinary)
#include "tst_gatewaybinary.moc"
