#include "chatclient.h"
#include "common/bytes.h"
#include "common/testaddresses.h"
#include "floodquota.h"
#include "gatewayserver.h"
#include "linereader.h"

#include <QSignalSpy>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

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

QByteArray record(const QByteArray &name, const QByteArray &password = "pw") {
    return "\x03\x04" + name + "\r\n" + password + "\r\n";
}

// Each row logs on the first `users` of alice, bob and carol (clients 0, 1, 2), connects one
// more client (the next number) without sending a byte (it has a second to log on), and plays its
// steps: "N>" and bytes client N sends ("N)" one byte at a time), "N<" and bytes client N must
// receive next.
void row(const char *name, int users, const QByteArrayList &steps, bool quota = false) {
    QTest::newRow(name) << users << quota << steps;
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
    void slowReaderIsDropped();

private:
    const QString m_address = TestAddresses::address(TestAddresses::kGatewayTool, 0);
    std::unique_ptr<GatewayServer> m_server;
};

void TestGatewayServer::init() {
    SKIP_WITHOUT_LOOPBACK_ALIASES();
    m_server = std::make_unique<GatewayServer>();
    m_server->setLogOnTimeout(1000);
    QVERIFY2(m_server->listen(QHostAddress(m_address)), qPrintable(m_server->errorString()));
}

void TestGatewayServer::conversation_data() {
    QTest::addColumn<int>("users");
    QTest::addColumn<bool>("quota");
    QTest::addColumn<QByteArrayList>("steps");
    row("nothing before the first byte; log-on refused, then accepted", 1,
        {"1>" + record("alice", "wrong") + record("ALICE") + record("bob smith") + record("   ") +
             record(QByteArray(33, 'b')) + record("carol"),
         "1<" + kGreeting + "alice\r\n" + kFailed + "ALICE\r\n" + kFailed + "bob smith\r\n" +
             kFailed + "   \r\n" + kFailed + QByteArray(33, 'b') + "\r\n" + kFailed +
             "carol\r\nPassword: \r\n2010 NAME carol\r\n1007 CHANNEL \"Chat\"\r\n"
             "1001 USER alice 0010 [CHAT]\r\n1001 USER carol 0010 [CHAT]\r\n" +
             kWelcome,
         "0<1002 JOIN carol 0010 [CHAT]\r\n"});
    row("a terminal, byte by byte: name echoed, password not, empty lines ignored", 0,
        {"0)\n\r\n\rcarol\n\n\x03\x04secret\r\n",
         "0<" + kGreeting + "carol\r\nPassword: \r\n2010 NAME carol\r\n"});
    // Logged on, a client has no such limit: alice connected first.
    row("a silent client timed out before log-on", 1, {"1<Log-on timed out.\r\n<closed>"});
    row("CR, LF, CR LF; control bytes dropped, a tab a space, other bytes as they came", 2,
        {"0>ab\x04"
         "cd\rx\x03y\n\r\n \"q\"\r\n\x00h\x01i\x7f\tthere \xff\xfe\xc3\xa9\x1b\r\n"_ba,
         "1<" + talk("alice", "abcd") + talk("alice", "xy") + talk("alice", " \"q\"") +
             talk("alice", "hi there \xff\xfe\xc3\xa9")});
    row("emote, whisper, who, whois, unknown command, quit", 2,
        {"1>/me waves\r\n/emote bows\r\n/whisper alice a\r\n/w alice b\r\n/msg alice c\r\n"
         "/m alice d\r\n/w nobody e\r\n/who Chat\r\n/WHOIS alice\r\n/whois nobody\r\n/frob\r\n"
         "/\r\n/quit\r\n",
         "0<1023 EMOTE bob 0010 \"waves\"\r\n1023 EMOTE bob 0010 \"bows\"\r\n"
         "1004 WHISPER bob 0010 \"a\"\r\n1004 WHISPER bob 0010 \"b\"\r\n"
         "1004 WHISPER bob 0010 \"c\"\r\n1004 WHISPER bob 0010 \"d\"\r\n1003 LEAVE bob 0010\r\n",
         "1<1023 EMOTE bob 0010 \"waves\"\r\n1023 EMOTE bob 0010 \"bows\"\r\n"
         "1010 WHISPER alice 0010 \"a\"\r\n1010 WHISPER alice 0010 \"b\"\r\n"
         "1010 WHISPER alice 0010 \"c\"\r\n1010 WHISPER alice 0010 \"d\"\r\n"
         "1019 ERROR \"That user is not logged on.\"\r\n"
         "1018 INFO \"Users in channel Chat: alice bob\"\r\n"
         "1018 INFO \"alice is using Chat and is currently in channel \"Chat\".\"\r\n"
         "1018 INFO \"User is offline\"\r\n1019 ERROR \"Unknown command.\"\r\n"
         "1019 ERROR \"Unknown command.\"\r\n1018 INFO \"Connection closed.\"\r\n<closed>"});
    row("join an empty channel, tempOP, then a second member", 2,
        {"1>/join Magic\r\n",
         "1<1007 CHANNEL \"Magic\"\r\n1018 INFO \"you are now tempOP for this channel\"\r\n"
         "1001 USER bob 0010 [CHAT]\r\n1009 USER bob 0012\r\n",
         "0<1003 LEAVE bob 0010\r\n", "0>/join  magic \r\n/kick bob\r\n",
         "0<1007 CHANNEL \"Magic\"\r\n1001 USER bob 0012 [CHAT]\r\n1001 USER alice 0010 [CHAT]\r\n"
         "1019 ERROR \"You are not a channel operator.\"\r\n",
         "1<1002 JOIN alice 0010 [CHAT]\r\n", "1>/join chat\r\n", "0<1003 LEAVE bob 0012\r\n",
         "1<1007 CHANNEL \"chat\"\r\n1001 USER bob 0010 [CHAT]\r\n"});
    row("squelch", 3,
        {"0>/squelch Bob\r\n", "0<1018 INFO \"bob has been squelched.\"\r\n",
         "1>noise\r\n/w alice psst\r\n", "2<" + talk("bob", "noise"),
         "1<1010 WHISPER alice 0010 \"psst\"\r\n", "0>/unignore bob\r\n",
         "0<1018 INFO \"bob has been unsquelched.\"\r\n", "1>back\r\n", "0<" + talk("bob", "back"),
         "2<" + talk("bob", "back")});
    row("lines sent cut to 255 bytes and run on; 256 bytes or more dropped", 2,
        {"0>" + QByteArray(230, 'x') + "\r\n" + QByteArray(250, 'y') + "\r\nnext\r\n" +
             QByteArray(256, 'z') + "\r\n" + QByteArray(1 << 20, 'z') + "\nok\r\n",
         "1<" + talk("alice", QByteArray(230, 'x')) + "1005 TALK alice 0010 \"" +
             QByteArray(233, 'y') + talk("alice", "next") + talk("alice", "ok")});
    row("quota: four lines, then refused, the tenth disconnects", 2,
        {"0>" + QByteArray("hi\r\n").repeated(10), "1<" + talk("alice", "hi").repeated(4),
         "0<" + kQuota.repeated(5) + ChatClient::kClosed},
        true);
    row("quota: a line counts one per 40 bytes begun", 2,
        {"0>" + QByteArray(QByteArray(41, 'l') + "\r\n").repeated(3) + QByteArray(161, 'l') +
             "\r\n",
         "1<" + talk("alice", QByteArray(41, 'l')).repeated(2),
         "0<" + kQuota + "1019 ERROR \"Your line length quota has been exceeded!\"\r\n"},
        true);
}

void TestGatewayServer::conversation() {
    QFETCH(int, users);
    QFETCH(bool, quota);
    QFETCH(QByteArrayList, steps);
    m_server->setFloodQuota(quota);
    ChatClient clients[4];
    for (int i = 0; i < users; ++i) {
        QVERIFY(clients[i].logOn(m_address, kNames[i]));
        for (int j = 0; j < i; ++j)
            QVERIFY(!clients[j].waitFor("1002 JOIN " + kNames[i] + " 0010 [CHAT]\r\n").isNull());
    }
    QVERIFY(clients[users].connectTo(m_address));
    bool closed[4] = {};
    for (const QByteArray &step : steps) {
        const int n = step.at(0) - '0';
        const QByteArray bytes = step.mid(2);
        if (step.at(1) == '<')
            COMPARE_BYTES(clients[n].take(bytes.size()), bytes);
        closed[n] = closed[n] || (step.at(1) == '<' && bytes.endsWith(ChatClient::kClosed));
        for (qsizetype i = 0; step.at(1) == ')' && i < bytes.size(); ++i, QTest::qWait(2))
            clients[n].send(bytes.mid(i, 1));
        if (step.at(1) == '>')
            clients[n].send(bytes);
    }
    // Nothing else came to those still connected; the quota would refuse the question.
    for (int i = 0; i < users && !quota; ++i) {
        if (!closed[i])
            COMPARE_BYTES(clients[i].unasked(), QByteArray());
    }
}

// However much a client sends without a line end, the gateway holds none of it; a quota that
// has refused lines lets them pass again once its window has gone by.
void TestGatewayServer::readerAndQuotaHoldLittle() {
    LineReader reader;
    QVERIFY(reader.feed(QByteArray(1 << 20, 'x')).isEmpty());
    QCOMPARE(reader.pending(), 0);
    FloodQuota quota;
    for (int i = 0; i < 9; ++i)
        quota.take(2, 1000);
    QCOMPARE(quota.take(2, 1000 + FloodQuota::kWindowMs), FloodQuota::Verdict::Pass);
}

void TestGatewayServer::slowReaderIsDropped() {
    m_server->setFloodQuota(false);
    ChatClient talker;
    QVERIFY(talker.logOn(m_address, "talker"));
    // A client that logs on and then never reads: its socket takes a few bytes and leaves the
    // rest in the system's buffers, so the gateway's queue for it fills.
    QTcpSocket sleeper;
    sleeper.setReadBufferSize(4096);
    sleeper.connectToHost(QHostAddress(m_address), GatewayServer::kPort);
    QVERIFY(sleeper.waitForConnected());
    sleeper.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    sleeper.write(record("sleeper"));
    QVERIFY(!talker.waitFor("1002 JOIN sleeper 0010 [CHAT]\r\n").isNull());
    QSignalSpy gone(m_server.get(), &GatewayServer::clientDisconnected);
    // 64 MiB at most; the gateway should give up on the sleeper after a few.
    for (int i = 0; i < 256 && gone.isEmpty(); ++i, QTest::qWait(1))
        talker.send(QByteArray(QByteArray(240, 'f') + "\r\n").repeated(1000));
    QTRY_COMPARE(gone.size(), 1);
    QCOMPARE(gone.first().at(1).toByteArray(), QByteArray("sleeper"));
    QVERIFY(!talker.waitFor("1003 LEAVE sleeper 0010\r\n").isNull());
}

QTEST_GUILESS_MAIN(TestGatewayServer)
#include "tst_gatewayserver.moc"
