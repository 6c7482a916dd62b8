#include "chatclient.h"

#include <QProcess>
#include <QTest>

#include <csignal>

namespace {

const QString kBinary = QStringLiteral(GATEWAY_BINARY);

// Waits until the process has printed `line` as a whole line on stdout; keeps what it read.
bool waitForLine(QProcess &process, QByteArray &output, const QByteArray &line, int msecs = 5000) {
    return QTest::qWaitFor(
        [&] {
            output += process.readAllStandardOutput();
            return output.contains(QByteArray(line + '\n'));
        },
        msecs);
}

} // namespace

class TestGatewayBinary : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void servesAndStopsOnSignal_data();
    void servesAndStopsOnSignal();
    void failsClearlyWhenItCannotListen();
    void helpDescribesUsage();
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
    const QString address = QStringLiteral("127.0.0.31");
    QProcess gateway;
    gateway.start(kBinary, options << address);
    QByteArray output;
    QVERIFY(waitForLine(gateway, output, "Listening on 127.0.0.31:6112"));

    {
        ChatClient client;
        QVERIFY(client.logOn(address, "alice", "secret"));
        const QByteArray peer = "127.0.0.31:" + QByteArray::number(client.localPort());
        QVERIFY(waitForLine(gateway, output, "Connected " + peer));
        client.send("a\r\nb\r\nc\r\nd\r\n/whoami\r\n");
        QVERIFY(client.expectNext(
            QByteArray(4, 'x').replace("x", "1018 INFO \"No one hears you.\"\r\n") + fifthLine));
        client.socket().disconnectFromHost();
        QVERIFY(waitForLine(gateway, output, "Disconnected " + peer + " (alice)"));
    }

    // A client still connected at the stop does not hold it up.
    ChatClient lingering;
    QVERIFY(lingering.connectTo(address));
    const QByteArray lingeringPeer = "127.0.0.31:" + QByteArray::number(lingering.localPort());
    QVERIFY(waitForLine(gateway, output, "Connected " + lingeringPeer));

    ::kill(static_cast<pid_t>(gateway.processId()), signalNumber);
    QVERIFY(gateway.waitForFinished(5000));
    QCOMPARE(gateway.exitStatus(), QProcess::NormalExit);
    QCOMPARE(gateway.exitCode(), 0);
    QVERIFY(!lingering.waitFor(ChatClient::kClosed).isNull());
    output += gateway.readAllStandardOutput();
    const QByteArray last = "Disconnected " + lingeringPeer + "\nStopped.\n";
    QVERIFY2(output.endsWith(last), output.constData());
    QVERIFY(gateway.readAllStandardError().isEmpty());
}

void TestGatewayBinary::failsClearlyWhenItCannotListen() {
    const QString address = QStringLiteral("127.0.0.33");
    QProcess first;
    first.start(kBinary, {address});
    QByteArray output;
    QVERIFY(waitForLine(first, output, "Listening on 127.0.0.33:6112"));

    QProcess second;
    second.start(kBinary, {address});
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.exitCode(), 1);
    QVERIFY2(second.readAllStandardError().startsWith(
                 "brackmoor-gateway: cannot listen on 127.0.0.33:6112: "),
             "the reason names the address");

    QProcess wrong;
    wrong.start(kBinary, {QStringLiteral("not-an-address")});
    QVERIFY(wrong.waitForFinished(5000));
    QVERIFY(wrong.exitCode() != 0);
    QVERIFY(wrong.readAllStandardError().contains("\"not-an-address\" is not an IP address"));
}

void TestGatewayBinary::helpDescribesUsage() {
    QProcess help;
    help.start(kBinary, {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(5000));
    QCOMPARE(help.exitCode(), 0);
    const QByteArray text = help.readAllStandardOutput();
    for (const char *word : {"[ADDRESS]", "127.0.0.1", "0x03", "--no-flood-quota"})
        QVERIFY2(text.contains(word), word);
}

QTEST_GUILESS_MAIN(TestGatewayBinary)
#include "tst_gatewaybinary.moc"
