#include "chatclient.h"

#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

const QString kAddress = QStringLiteral("127.0.0.31");

// The gateway binary, started with `arguments` and stopped at the end; gathers its output.
struct Gateway {
    QProcess process;
    QByteArray output;

    explicit Gateway(const QStringList &arguments) {
        process.start(QStringLiteral(GATEWAY_BINARY), arguments);
    }
    ~Gateway() {
        process.terminate();
        process.waitForFinished();
    }
    // Waits until the gateway has printed `line` as a whole line.
    bool printed(const QByteArray &line) {
        return QTest::qWaitFor([&] {
            output += process.readAllStandardOutput();
            return output.contains(QByteArray(line + '\n'));
        });
    }
};

} // namespace

class TestGatewayBinary : public QObject {
    Q_OBJECT

private Q_SLOTS:
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
    QFETCH(QStringList, options);
    QFETCH(int, signalNumber);
    QFETCH(QByteArray, fifthLine);
    Gateway gateway(options << kAddress);
    QVERIFY(gateway.printed("Listening on 127.0.0.31:6112"));
    {
        ChatClient client;
        QVERIFY(client.logOn(kAddress, "alice", "secret"));
        const QByteArray peer = "127.0.0.31:" + QByteArray::number(client.localPort());
        QVERIFY(gateway.printed("Connected " + peer));
        client.send("a\r\nb\r\nc\r\nd\r\n/whoami\r\n");
        QVERIFY(client.expectNext(QByteArray("1018 INFO \"No one hears you.\"\r\n").repeated(4) +
                                  fifthLine));
        client.socket().disconnectFromHost();
        QVERIFY(gateway.printed("Disconnected " + peer + " (alice)"));
    }
    // A client still connected at the stop does not hold it up.
    ChatClient lingering;
    QVERIFY(lingering.connectTo(kAddress));
    const QByteArray peer = "127.0.0.31:" + QByteArray::number(lingering.localPort());
    QVERIFY(gateway.printed("Connected " + peer));
    ::kill(static_cast<pid_t>(gateway.process.processId()), signalNumber);
    QVERIFY(gateway.process.waitForFinished(5000));
    QCOMPARE(gateway.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(gateway.process.exitCode(), 0);
    QVERIFY(!lingering.waitFor(ChatClient::kClosed).isNull());
    QVERIFY(gateway.printed("Disconnected " + peer + "\nStopped."));
    QVERIFY(gateway.process.readAllStandardError().isEmpty());
}

void TestGatewayBinary::failsClearly_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("says");
    QTest::newRow("address taken")
        << QStringList{kAddress} << 1 << QByteArray("cannot listen on 127.0.0.31:6112: ");
    QTest::newRow("no address") << QStringList{QStringLiteral("not-an-address")} << 2
                                << QByteArray("\"not-an-address\" is not an IP address");
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0 << QByteArray("[ADDRESS]");
}

void TestGatewayBinary::failsClearly() {
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, says);
    Gateway first({kAddress});
    QVERIFY(first.printed("Listening on 127.0.0.31:6112"));
    Gateway second(options);
    QVERIFY(second.process.waitForFinished(5000));
    QCOMPARE(second.process.exitCode(), exitCode);
    const QByteArray text = second.process.readAll() + second.process.readAllStandardError();
    QVERIFY2(text.contains(says), text.constData());
}

QTEST_GUILESS_MAIN(TestGatewayBinary)
#include "tst_gatewaybinary.moc"
