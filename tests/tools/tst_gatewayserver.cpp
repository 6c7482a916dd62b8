#include "chatclient.h"
#include "gatewayserver.h"

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

// One step of a conversation: client `client` sends `bytes`, or (expect) must receive them
// next and nothing before them.
struct Step {
    int client;
    bool expect;
    QByteArray bytes;
};
using Steps = QList<Step>;
Step in(int client, const QByteArray &bytes) {
    return {client, false, bytes};
}
Step out(int client, const QByteArray &bytes) {
    return {client, true, bytes};
}

} // namespace

Q_DECLARE_METATYPE(Steps)

class TestGatewayServer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup() { m_server.reset(); }

    void conversation_data();
    void conversation();
    void logOnRecordByteByByte();
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
// `raw` more clients (the next numbers) without a byte sent, and plays its steps.
void TestGatewayServer::conversation_data() {
    QTest::addColumn<int>("users");
    QTest::addColumn<int>("raw");
    QTest::addColumn<bool>("quota");
    QTest::addColumn<Steps>("steps");
    const QByteArray record = "\x03\x04"
                              "carol\r\nsecret\r\n";
    const QByteArray carolIn = "carol\r\nPassword: \r\n2010 NAME carol\r\n1007 CHANNEL \"Chat\"\r\n"
                               "1001 USER alice 0010 [CHAT]\r\n1001 USER carol 0010 [CHAT]\r\n";

    QTest::newRow("nothing before the first byte, log-on in one record")
        << 1 << 1 << false
        << Steps{in(1, record), out(1, kGreeting + carolIn + kWelcome),
                 out(0, "1002 JOIN carol 0010 [CHAT]\r\n")};
    QTest::newRow("a terminal user: name echoed, password not, empty lines ignored")
        << 0 << 1 << false << Steps{in(0, "\n"),
                                    out(0, kGreeting),
                                    in(0, "\r\n\rcarol\n"),
                                    out(0, "carol\r\n"),
                                    in(0, "\n\nsecret\n"),
                                    out(0, "Password: \r\n2010 NAME carol\r\n")};
    QTest::newRow("wrong password, name in use, then a new name")
        << 1 << 1 << false
        << Steps{in(1, "\x03\x04"
                       "alice\r\nwrong\r\n"),
                 out(1, kGreeting + "alice\r\n" + kFailed),
                 in(1, "\x03\x04"
                       "ALICE\r\npw\r\n"),
                 out(1, "ALICE\r\n" + kFailed),
                 in(1, record),
                 out(1, carolIn + kWelcome),
                 out(0, "1002 JOIN carol 0010 [CHAT]\r\n")};
    QTest::newRow("unusable names refused")
        << 0 << 1 << false
        << Steps{in(0, "\x03   \r\npw\r\nbob smith\r\npw\r\n" + QByteArray(33, 'b') + "\r\npw\r\n"),
                 out(0, kGreeting + "   \r\n" + kFailed + "bob smith\r\n" + kFailed +
                            QByteArray(33, 'b') + "\r\n" + kFailed)};
    QTest::newRow("CR, LF, CR LF; 0x03 0x04 dropped; quotes as they are")
        << 2 << 0 << false
        << Steps{in(0, "ab\x04"
                       "cd\rx\x03y\n\r\n \"q\"\r\n"),
                 out(1, talk("alice", "abcd") + talk("alice", "xy") + talk("alice", " \"q\""))};
    QTest::newRow("alone, nobody hears")
        << 1 << 0 << false << Steps{in(0, "hi\r\n"), out(0, "1018 INFO \"No one hears you.\"\r\n")};
    QTest::newRow("emote reaches the sender too")
        << 2 << 0 << false
        << Steps{in(0, "/me waves\r\n/emote bows\r\n"),
                 out(0, "1023 EMOTE alice 0010 \"waves\"\r\n1023 EMOTE alice 0010 \"bows\"\r\n"),
                 out(1, "1023 EMOTE alice 0010 \"waves\"\r\n1023 EMOTE alice 0010 \"bows\"\r\n")};
    QTest::newRow("whisper family")
        << 2 << 0 << false
        << Steps{in(1, "/whisper alice a\r\n/w alice b\r\n/msg alice c\r\n/m alice d\r\n/w nobody "
                       "e\r\n"),
                 out(0, "1004 WHISPER bob 0010 \"a\"\r\n1004 WHISPER bob 0010 \"b\"\r\n"
                        "1004 WHISPER bob 0010 \"c\"\r\n1004 WHISPER bob 0010 \"d\"\r\n"),
                 out(1, "1010 WHISPER alice 0010 \"a\"\r\n1010 WHISPER alice 0010 \"b\"\r\n"
                        "1010 WHISPER alice 0010 \"c\"\r\n1010 WHISPER alice 0010 \"d\"\r\n"
                        "1019 ERROR \"That user is not logged on.\"\r\n")};
    QTest::newRow("who, whois, unknown command")
        << 2 << 0 << false
        << Steps{in(1, "/who Chat\r\n/WHOIS alice\r\n/whois nobody\r\n/frob\r\n/\r\n"),
                 out(1,
                     "1018 INFO \"Users in channel Chat: alice bob\"\r\n"
                     "1018 INFO \"alice is using Chat and is currently in channel \"Chat\".\"\r\n"
                     "1018 INFO \"User is offline\"\r\n1019 ERROR \"Unknown command.\"\r\n"
                     "1019 ERROR \"Unknown command.\"\r\n")};
    QTest::newRow("quit") << 2 << 0 << false
                          << Steps{in(1, "/quit\r\n"),
                                   out(1, "1018 INFO \"Connection closed.\"\r\n" +
                                              QByteArray(ChatClient::kClosed)),
                                   out(0, "1003 LEAVE bob 0010\r\n")};
    QTest::newRow("join an empty channel, tempOP, then a second member")
        << 2 << 0 << false
        << Steps{in(1, "/join Magic\r\n"),
                 out(1, "1007 CHANNEL \"Magic\"\r\n1018 INFO \"you are now tempOP for this "
                        "channel\"\r\n1001 USER bob 0010 [CHAT]\r\n1009 USER bob 0012\r\n"),
                 out(0, "1003 LEAVE bob 0010\r\n"),
                 in(0, "/join  magic \r\n/kick bob\r\n"),
                 out(0, "1007 CHANNEL \"Magic\"\r\n1001 USER bob 0012 [CHAT]\r\n"
                        "1001 USER alice 0010 [CHAT]\r\n"
                        "1019 ERROR \"You are not a channel operator.\"\r\n"),
                 out(1, "1002 JOIN alice 0010 [CHAT]\r\n"),
                 in(1, "/join chat\r\n"),
                 out(0, "1003 LEAVE bob 0012\r\n"),
                 out(1, "1007 CHANNEL \"chat\"\r\n1001 USER bob 0010 [CHAT]\r\n")};
    QTest::newRow("squelch") << 3 << 0 << false
                             << Steps{in(0, "/squelch Bob\r\n"),
                                      out(0, "1018 INFO \"bob has been squelched.\"\r\n"),
                                      in(1, "noise\r\n/w alice psst\r\n"),
                                      out(2, talk("bob", "noise")),
                                      out(1, "1010 WHISPER alice 0010 \"psst\"\r\n"),
                                      in(0, "/unignore bob\r\n"),
                                      out(0, "1018 INFO \"bob has been unsquelched.\"\r\n"),
                                      in(1, "back\r\n"),
                                      out(0, talk("bob", "back")),
                                      out(2, talk("bob", "back"))};
    const QByteArray prefix = "1005 TALK alice 0010 \""; // 22 bytes, 233 left with the end
    QTest::newRow("255 bytes sent at most, a longer line runs on")
        << 2 << 0 << false
        << Steps{in(0, QByteArray(230, 'x') + "\r\n" + QByteArray(250, 'y') + "\r\nnext\r\n"),
                 out(1, talk("alice", QByteArray(230, 'x')) + prefix + QByteArray(233, 'y') +
                            talk("alice", "next"))};
    QTest::newRow("256 bytes or more dropped")
        << 2 << 0 << false
        << Steps{in(0, QByteArray(256, 'z') + "\r\n" + QByteArray(5000, 'z') + "\nok\r\n"),
                 out(1, talk("alice", "ok"))};
    QTest::newRow("quota: four lines, then refused, the tenth disconnects")
        << 2 << 0 << true
        << Steps{in(0, times(10, "hi\r\n")), out(1, times(4, talk("alice", "hi"))),
                 out(0, times(5, kQuota) + ChatClient::kClosed)};
    QTest::newRow("quota: a line counts one per 40 bytes")
        << 2 << 0 << true
        << Steps{in(0, times(3, QByteArray(41, 'l') + "\r\n") + QByteArray(161, 'l') + "\r\n"),
                 out(1, times(2, talk("alice", QByteArray(41, 'l')))),
                 out(0, kQuota + "1019 ERROR \"Your line length quota has been exceeded!\"\r\n")};
}

void TestGatewayServer::conversation() {
    QFETCH(int, users);
    QFETCH(int, raw);
    QFETCH(bool, quota);
    QFETCH(Steps, steps);
    m_server->setFloodQuota(quota);
    std::vector<std::unique_ptr<ChatClient>> clients;
    for (int i = 0; i < users + raw; ++i) {
        clients.push_back(std::make_unique<ChatClient>());
        if (i >= users) {
            QVERIFY(clients.back()->connectTo(kAddress));
            continue;
        }
        QVERIFY(clients.back()->logOn(kAddress, kNames[i], "pw"));
        for (int j = 0; j < i; ++j)
            QVERIFY(!clients[j]->waitFor("1002 JOIN " + kNames[i]).isNull());
        for (int j = 0; j < i; ++j)
            QVERIFY(!clients[j]->waitFor("\r\n").isNull());
    }
    for (const Step &step : steps) {
        if (step.expect)
            QVERIFY(clients.at(step.client)->expectNext(step.bytes));
        else
            clients.at(step.client)->send(step.bytes);
    }
    // Nothing else came: the answer to a question asked now is the next thing to arrive.
    if (!quota) {
        for (int i = 0; i < users; ++i)
            QVERIFY(clients[i]->socket().state() != QAbstractSocket::ConnectedState ||
                    clients[i]->expectNothingElse());
    }
}

void TestGatewayServer::logOnRecordByteByByte() {
    ChatClient client;
    QVERIFY(client.connectTo(kAddress));
    for (const char c : QByteArray("\x03\x04"
                                   "alice\r\nsecret\r\n")) {
        client.send(QByteArray(1, c));
        QTest::qWait(2);
    }
    QVERIFY(client.expectNext(kGreeting + "alice\r\nPassword: \r\n2010 NAME alice\r\n"));
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
