#include "chatclient.h"
#include "floodquota.h"
#include "gatewayserver.h"
#include "linereader.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {

const QString kAddress = QStringLiteral("127.0.0.30");
const QByteArray kNames[] = {"alice", "bob", "carol"};
const QByteArray kGreeting =
    "Brackmoor test gateway: a local chat gateway for trying the client offline.\r\n"
    "Log on with any new name and password to create an account; it lasts as long as the\r\n"
    "gateway runs, and from then on the password must match.\r\n\r\nUsername: ";
const QByteArray kWelcome =
    "1018 INFO \"Welcome to Brackmoor test gateway!\"\r\n1019 ERROR \"This "
    "gateway creates accounts on first use; they last until it stops.\"\r\n";
const QByteArray kFailed = "Password: \r\nLogin failed.\r\n\r\nUsername: ";
const QByteArray kQuota = "1019 ERROR \"Your message quota has been exceeded!\"\r\n";

QByteArray talk(const QByteArray &name, const QByteArray &text) {
    return "1005 TALK " + name + " 0010 \"" + text + "\"\r\n";
}

QByteArray times(int n, const QByteArray &bytes) {
    return bytes.repeated(n);
}

QByteArray record(const QByteArray &name, const QByteArray &password = "pw") {
    return "\x03\x04" + name + "\r\n" + password + "\r\n";
}

} // namespace

class TestGatewayServer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { m_server.reset(); }

    void conversation_data();
    void conversation();
    void readerAndQuotaHoldLittle();
    void floodingClientDoesNotHoldUpOthers();
    void silentClientTimesOutBeforeLogOn();
    void slowReaderIsDropped();

private:
    std::unique_ptr<GatewayServer> m_server;
};

void TestGatewayServer::init() {
    m_server = std::make_unique<GatewayServer>();
    QVERIFY2(m_server->listen(QHostAddress(kAddress)), qPrintable(m_server->errorString()));
}

// Each row logs on the first `users` of alice, bob and carol (clients 0, 1, 2), connects
// `raw` more clients (the next numbers) without sending a byte, and plays its steps: "N>"
// and bytes client N sends ("N)" one byte at a time), "N<" and bytes client N must receive
// next, with nothing before them.
void TestGatewayServer::conversation_data() {
    QTest::addColumn<int>("users");
    QTest::addColumn<int>("raw");
    QTest::addColumn<bool>("quota");
    QTest::addColumn<QByteArrayList>("steps");
    const QByteArray carol = "carol\r\nPassword: \r\n2010 NAME carol\r\n1007 CHANNEL \"Chat\"\r\n"
                             "1001 USER alice 0010 [CHAT]\r\n1001 USER carol 0010 [CHAT]\r\n";
    const QByteArray longName(33, 'b');
    const QByteArray prefix = "1005 TALK alice 0010 \""; // 22 bytes: 233 left for the text
    const QByteArray lengthQuota = "1019 ERROR \"Your line length quota has been exceeded!\"\r\n";

    QTest::newRow("nothing before the first byte, log-on in one record")
        << 1 << 1 << false
        << QByteArrayList{"1>" + record("carol"), "1<" + kGreeting + carol + kWelcome,
                          "0<1002 JOIN carol 0010 [CHAT]\r\n"};
    QTest::newRow("log-on record byte by byte")
        << 0 << 1 << false
        << QByteArrayList{"0)" + record("carol"), "0<" + kGreeting + "carol\r\nPassword: \r\n2010"};
    QTest::newRow("a terminal user: name echoed, password not, empty lines ignored")
        << 0 << 1 << false
        << QByteArrayList{"0>\n",        "0<" + kGreeting, "0>\r\n\rcarol\n",
                          "0<carol\r\n", "0>\n\nsecret\n", "0<Password: \r\n2010 NAME carol\r\n"};
    QTest::newRow("wrong password, name in use, then a new name")
        << 1 << 1 << false
        << QByteArrayList{"1>" + record("alice", "wrong"),
                          "1<" + kGreeting + "alice\r\n" + kFailed,
                          "1>" + record("ALICE"),
                          "1<ALICE\r\n" + kFailed,
                          "1>" + record("carol"),
                          "1<" + carol + kWelcome,
                          "0<1002 JOIN carol 0010 [CHAT]\r\n"};
    QTest::newRow("unusable names refused")
        << 0 << 1 << false
        << QByteArrayList{"0>\x03   \r\npw\r\nbob smith\r\npw\r\n" + longName + "\r\npw\r\n",
                          "0<" + kGreeting + "   \r\n" + kFailed + "bob smith\r\n" + kFailed +
                              longName + "\r\n" + kFailed};
    QTest::newRow("CR, LF, CR LF; 0x03 0x04 dropped; quotes as they are")
        << 2 << 0 << false
        << QByteArrayList{"0>ab\x04"
                          "cd\rx\x03y\n\r\n \"q\"\r\n",
                          "1<" + talk("alice", "abcd") + talk("alice", "xy") +
                              talk("alice", " \"q\"")};
    QTest::newRow("control bytes dropped, other bytes as they came")
        << 2 << 0 << false
        << QByteArrayList{QByteArray("0>\x00h\x01i\x7f\tthere \xff\xfe\xc3\xa9\x1b\r\n", 21),
                          "1<" + talk("alice", "hi there \xff\xfe\xc3\xa9")};
    QTest::newRow("alone, nobody hears")
        << 1 << 0 << false << QByteArrayList{"0>hi\r\n", "0<1018 INFO \"No one hears you.\"\r\n"};
    QTest::newRow("emote reaches the sender too")
        << 2 << 0 << false
        << QByteArrayList{
               "0>/me waves\r\n/emote bows\r\n",
               "0<1023 EMOTE alice 0010 \"waves\"\r\n1023 EMOTE alice 0010 \"bows\"\r\n",
               "1<1023 EMOTE alice 0010 \"waves\"\r\n1023 EMOTE alice 0010 \"bows\"\r\n"};
    QTest::newRow("whisper family")
        << 2 << 0 << false
        << QByteArrayList{"1>/whisper alice a\r\n/w alice b\r\n/msg alice c\r\n/m alice d\r\n"
                          "/w nobody e\r\n",
                          "0<1004 WHISPER bob 0010 \"a\"\r\n1004 WHISPER bob 0010 \"b\"\r\n"
                          "1004 WHISPER bob 0010 \"c\"\r\n1004 WHISPER bob 0010 \"d\"\r\n",
                          "1<1010 WHISPER alice 0010 \"a\"\r\n1010 WHISPER alice 0010 \"b\"\r\n"
                          "1010 WHISPER alice 0010 \"c\"\r\n1010 WHISPER alice 0010 \"d\"\r\n"
                          "1019 ERROR \"That user is not logged on.\"\r\n"};
    QTest::newRow("who, whois, unknown command")
        << 2 << 0 << false
        << QByteArrayList{
               "1>/who Chat\r\n/WHOIS alice\r\n/whois nobody\r\n/frob\r\n/\r\n",
               "1<1018 INFO \"Users in channel Chat: alice bob\"\r\n"
               "1018 INFO \"alice is using Chat and is currently in channel \"Chat\".\"\r\n"
               "1018 INFO \"User is offline\"\r\n1019 ERROR \"Unknown command.\"\r\n"
               "1019 ERROR \"Unknown command.\"\r\n"};
    QTest::newRow("quit") << 2 << 0 << false
                          << QByteArrayList{"1>/quit\r\n",
                                            "1<1018 INFO \"Connection closed.\"\r\n<closed>",
                                            "0<1003 LEAVE bob 0010\r\n"};
    QTest::newRow("join an empty channel, tempOP, then a second member")
        << 2 << 0 << false
        << QByteArrayList{
               "1>/join Magic\r\n",
               "1<1007 CHANNEL \"Magic\"\r\n1018 INFO \"you are now tempOP for this "
               "channel\"\r\n1001 USER bob 0010 [CHAT]\r\n1009 USER bob 0012\r\n",
               "0<1003 LEAVE bob 0010\r\n",
               "0>/join  magic \r\n/kick bob\r\n",
               "0<1007 CHANNEL \"Magic\"\r\n1001 USER bob 0012 [CHAT]\r\n1001 USER alice "
               "0010 [CHAT]\r\n1019 ERROR \"You are not a channel operator.\"\r\n",
               "1<1002 JOIN alice 0010 [CHAT]\r\n",
               "1>/join chat\r\n",
               "0<1003 LEAVE bob 0012\r\n",
               "1<1007 CHANNEL \"chat\"\r\n1001 USER bob 0010 [CHAT]\r\n"};
    QTest::newRow("squelch") << 3 << 0 << false
                             << QByteArrayList{"0>/squelch Bob\r\n",
                                               "0<1018 INFO \"bob has been squelched.\"\r\n",
                                               "1>noise\r\n/w alice psst\r\n",
                                               "2<" + talk("bob", "noise"),
                                               "1<1010 WHISPER alice 0010 \"psst\"\r\n",
                                               "0>/unignore bob\r\n",
                                               "0<1018 INFO \"bob has been unsquelched.\"\r\n",
                                               "1>back\r\n",
                                               "0<" + talk("bob", "back"),
                                               "2<" + talk("bob", "back")};
    QTest::newRow("255 bytes sent at most, a longer line runs on")
        << 2 << 0 << false
        << QByteArrayList{"0>" + QByteArray(230, 'x') + "\r\n" + QByteArray(250, 'y') +
                              "\r\nnext\r\n",
                          "1<" + talk("alice", QByteArray(230, 'x')) + prefix +
                              QByteArray(233, 'y') + talk("alice", "next")};
    QTest::newRow("256 bytes or more dropped")
        << 2 << 0 << false
        << QByteArrayList{"0>" + QByteArray(256, 'z') + "\r\n" + QByteArray(5000, 'z') + "\nok\r\n",
                          "1<" + talk("alice", "ok")};
    QTest::newRow("quota: four lines, then refused, the tenth disconnects")
        << 2 << 0 << true
        << QByteArrayList{"0>" + times(10, "hi\r\n"), "1<" + times(4, talk("alice", "hi")),
                          "0<" + times(5, kQuota) + ChatClient::kClosed};
    QTest::newRow("quota: a line counts one per 40 bytes")
        << 2 << 0 << true
        << QByteArrayList{
               "0>" + times(3, QByteArray(41, 'l') + "\r\n") + QByteArray(161, 'l') + "\r\n",
               "1<" + times(2, talk("alice", QByteArray(41, 'l'))), "0<" + kQuota + lengthQuota};
}

void TestGatewayServer::conversation() {
    QFETCH(int, users);
    QFETCH(int, raw);
    QFETCH(bool, quota);
    QFETCH(QByteArrayList, steps);
    m_server->setFloodQuota(quota);
    std::vector<std::unique_ptr<ChatClient>> clients;
    for (int i = 0; i < users + raw; ++i) {
        clients.push_back(std::make_unique<ChatClient>());
        QVERIFY(i >= users ? clients[i]->connectTo(kAddress)
                           : clients[i]->logOn(kAddress, kNames[i], "pw"));
        for (int j = 0; j < i && i < users; ++j)
            QVERIFY(!clients[j]->waitFor("1002 JOIN " + kNames[i] + " 0010 [CHAT]\r\n").isNull());
    }
    for (const QByteArray &step : steps) {
        ChatClient &client = *clients.at(step.at(0) - '0');
        if (step.at(1) == '<')
            QVERIFY(client.expectNext(step.mid(2)));
        for (qsizetype i = 2; step.at(1) == ')' && i < step.size(); ++i, QTest::qWait(2))
            client.send(step.mid(i, 1));
        if (step.at(1) == '>')
            client.send(step.mid(2));
    }
    // Nothing else came: the answer to a question asked now is the next thing to arrive.
    for (int i = 0; i < users && !quota; ++i)
        QVERIFY(clients[i]->socket().state() != QAbstractSocket::ConnectedState ||
                clients[i]->expectNothingElse());
}

void TestGatewayServer::readerAndQuotaHoldLittle() {
    LineReader reader;
    QVERIFY(reader.feed(QByteArray(1 << 20, 'x')).isEmpty());
    QCOMPARE(reader.pending(), 0);
    // A quota that has refused lines lets them pass again once its window has gone by.
    FloodQuota quota;
    for (int i = 0; i < 9; ++i)
        quota.take(2, 1000);
    QCOMPARE(quota.take(2, 1000 + FloodQuota::kWindowMs), FloodQuota::Verdict::Pass);
}

void TestGatewayServer::floodingClientDoesNotHoldUpOthers() {
    m_server->setFloodQuota(false);
    ChatClient a, b, flood;
    QVERIFY(a.logOn(kAddress, "alice", "pw"));
    QVERIFY(b.logOn(kAddress, "bob", "pw"));
    QVERIFY(flood.logOn(kAddress, "flood", "pw"));
    QVERIFY(!b.waitFor("1002 JOIN flood 0010 [CHAT]\r\n").isNull());
    // A megabyte without a line end, then binary noise, while the others chat.
    QByteArray noise(8192, '\0');
    for (qsizetype i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919) & 0xFF);
    for (int i = 0; i < 16; ++i) {
        flood.send(QByteArray(64 * 1024, 'm'));
        a.send("ping " + QByteArray::number(i) + "\r\n");
        QVERIFY(b.expectNext(talk("alice", "ping " + QByteArray::number(i))));
    }
    flood.send(noise + "\r\nstill here\r\n");
    QVERIFY(!b.waitFor(talk("flood", "still here")).isNull());
    QCOMPARE(m_server->clientCount(), 3);
}

void TestGatewayServer::silentClientTimesOutBeforeLogOn() {
    // The chatter's time runs out first; logged on, it has no such limit.
    m_server->setLogOnTimeout(300);
    ChatClient chatter, silent;
    QVERIFY(chatter.logOn(kAddress, "chatter", "pw"));
    QVERIFY(silent.connectTo(kAddress));
    QVERIFY(silent.expectNext("Log-on timed out.\r\n" + QByteArray(ChatClient::kClosed), 3000));
    QVERIFY(chatter.expectNothingElse());
    QCOMPARE(m_server->clientCount(), 1);
}

void TestGatewayServer::slowReaderIsDropped() {
    m_server->setFloodQuota(false);
    ChatClient talker;
    QVERIFY(talker.logOn(kAddress, "talker", "pw"));
    // A client that logs on and then never reads: its socket takes a few bytes and then
    // leaves everything in the system's buffers, so the gateway's queue for it fills.
    QTcpSocket sleeper;
    sleeper.setReadBufferSize(4096);
    sleeper.connectToHost(QHostAddress(kAddress), ChatClient::kPort);
    QVERIFY(sleeper.waitForConnected());
    sleeper.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    sleeper.write("\x03\x04sleeper\r\npw\r\n");
    QVERIFY(!talker.waitFor("1002 JOIN sleeper 0010 [CHAT]\r\n").isNull());

    QSignalSpy gone(m_server.get(), &GatewayServer::clientDisconnected);
    const QByteArray burst = times(1000, QByteArray(240, 'f') + "\r\n");
    // 64 MiB at most; the gateway should give up on the sleeper after a few.
    for (int i = 0; i < 256 && gone.isEmpty(); ++i) {
        talker.send(burst);
        QTest::qWait(1);
    }
    QTRY_COMPARE(gone.size(), 1);
    QCOMPARE(gone.first().at(1).toByteArray(), QByteArray("sleeper"));
    QVERIFY(!talker.waitFor("1003 LEAVE sleeper 0010\r\n", 10000).isNull());
}

QTEST_GUILESS_MAIN(TestGatewayServer)
#include "tst_gatewayserver.moc"
