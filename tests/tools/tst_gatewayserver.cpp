#include "chatclient.h"
#include "clientsession.h"
#include "gatewayserver.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kAddress = QStringLiteral("127.0.0.30");
const QByteArray kGreeting = "Brackmoor test gateway: log on with any new name and password to "
                             "create an account.\r\nUsername: ";
const QByteArray kWelcome = "1018 INFO \"Welcome to Brackmoor test gateway!\"\r\n";
const QByteArray kRefused = "Password: Login failed.\r\nUsername: ";

QByteArray talk(const QByteArray &name, const QByteArray &text) {
    return "1005 TALK " + name + " 0010 \"" + text + "\"\r\n";
}

} // namespace

class TestGatewayServer : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void logOnFlowBytes_data();
    void logOnFlowBytes();
    void refusedPasswordAndFirstUseCreatesAccount();
    void unusableCredentialsRefused_data();
    void unusableCredentialsRefused();
    void nameInUseGetsSuffix();
    void clientWithoutOpeningByteGetsEcho();
    void talkReachesOthersButNotSender();
    void joinAndLeaveSeenByMembers();
    void joinListsMembers();
    void whisperBothSidesAndUnknownTarget();
    void awayAndDndToggle();
    void emoteGoesToEveryone();
    void squelchFiltersTalk();
    void commandWordsIgnoreCase();
    void unknownCommand_data();
    void unknownCommand();
    void infoCommands();
    void lineCutAt255Bytes();
    void megabyteLineAndBinaryWhileOthersChat();
    void silentClientTimesOutBeforeLogOn();
    void slowReaderIsDropped();

private:
    std::unique_ptr<GatewayServer> m_server;
};

void TestGatewayServer::init() {
    m_server = std::make_unique<GatewayServer>();
    QVERIFY2(m_server->listen(QHostAddress(kAddress)), qPrintable(m_server->errorString()));
}

void TestGatewayServer::cleanup() {
    m_server.reset();
}

void TestGatewayServer::logOnFlowBytes_data() {
    QTest::addColumn<bool>("byteByByte");
    QTest::newRow("one record") << false;
    QTest::newRow("byte by byte") << true;
}

void TestGatewayServer::logOnFlowBytes() {
    QFETCH(bool, byteByByte);
    ChatClient client;
    QVERIFY(client.connectTo(kAddress));
    QVERIFY(client.expectNext(kGreeting));

    const QByteArray record = "\x03\x04"
                              "alice\r\nsecret\r\n";
    if (byteByByte) {
        for (const char c : record) {
            client.send(QByteArray(1, c));
            QTest::qWait(2);
        }
    } else {
        client.send(record);
    }
    // With 0x04 nothing typed comes back, not even the name.
    QVERIFY(client.expectNext("Password: 2010 NAME alice\r\n"
                              "1007 CHANNEL \"Chat\"\r\n"
                              "1001 USER alice 0010 [CHAT]\r\n" +
                              kWelcome));
    QVERIFY(client.expectNothingElse());
}

void TestGatewayServer::refusedPasswordAndFirstUseCreatesAccount() {
    {
        ChatClient first;
        QVERIFY(first.logOn(kAddress, "alice", "secret"));
    }
    ChatClient client;
    QVERIFY(client.connectTo(kAddress));
    QVERIFY(client.expectNext(kGreeting));
    client.send("\x03\x04"
                "alice\r\nwrong\r\n");
    QVERIFY(client.expectNext(kRefused));
    // The client program sends the whole record again, opening bytes included.
    client.send("\x03\x04"
                "ALICE\r\nsecret\r\n");
    QVERIFY(client.expectNext("Password: 2010 NAME alice\r\n"));
    QVERIFY(!client.waitFor(kWelcome).isNull());
}

void TestGatewayServer::unusableCredentialsRefused_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("password");
    QTest::newRow("empty name") << QByteArray() << QByteArray("pw");
    QTest::newRow("blank name") << QByteArray("   ") << QByteArray("pw");
    QTest::newRow("empty password") << QByteArray("bob") << QByteArray();
    QTest::newRow("space in name") << QByteArray("bob smith") << QByteArray("pw");
    QTest::newRow("long name") << QByteArray(33, 'b') << QByteArray("pw");
}

void TestGatewayServer::unusableCredentialsRefused() {
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, password);
    ChatClient client;
    QVERIFY(client.connectTo(kAddress));
    QVERIFY(client.expectNext(kGreeting));
    client.send("\x03\x04" + name + "\r\n" + password + "\r\n");
    QVERIFY(client.expectNext(kRefused));
    // Nothing was created by the refused try: "bob" is still free for any password.
    client.send("bob\r\nfresh\r\n");
    QVERIFY(client.expectNext("Password: 2010 NAME bob\r\n"));
}

void TestGatewayServer::nameInUseGetsSuffix() {
    ChatClient a, b, c;
    QVERIFY(a.logOn(kAddress, "alice", "pw"));
    QVERIFY(b.logOn(kAddress, "Alice", "pw"));
    QCOMPARE(b.name(), QByteArray("alice#2"));
    QVERIFY(c.logOn(kAddress, "alice", "pw"));
    QCOMPARE(c.name(), QByteArray("alice#3"));
    QVERIFY(a.expectNext("1002 JOIN alice#2 0010 [CHAT]\r\n1002 JOIN alice#3 0010 [CHAT]\r\n"));
}

void TestGatewayServer::clientWithoutOpeningByteGetsEcho() {
    ChatClient typist, other;
    QVERIFY(other.logOn(kAddress, "other", "pw"));
    QVERIFY(typist.connectTo(kAddress));
    QVERIFY(typist.expectNext(kGreeting));
    typist.send("carol\n");
    QVERIFY(typist.expectNext("carol\r\nPassword: "));
    typist.send("pw\n");
    QVERIFY(typist.expectNext("2010 NAME carol\r\n"));
    QVERIFY(!typist.waitFor(kWelcome).isNull());
    typist.send("hi all\n");
    QVERIFY(typist.expectNext("hi all\r\n"));
    QVERIFY(!other.waitFor(talk("carol", "hi all")).isNull());

    // 0x03 alone keeps the echo on as well.
    ChatClient halfOpened;
    QVERIFY(halfOpened.connectTo(kAddress));
    QVERIFY(halfOpened.expectNext(kGreeting));
    halfOpened.send("\x03"
                    "dave\r\n");
    QVERIFY(halfOpened.expectNext("dave\r\nPassword: "));
}

void TestGatewayServer::talkReachesOthersButNotSender() {
    ChatClient a, b, c;
    QVERIFY(a.logOn(kAddress, "alice", "pw"));
    a.send("anyone?\r\n");
    QVERIFY(a.expectNext("1018 INFO \"No one hears you.\"\r\n"));

    QVERIFY(b.logOn(kAddress, "bob", "pw"));
    QVERIFY(c.logOn(kAddress, "carol", "pw"));
    QVERIFY(!a.waitFor("1002 JOIN carol 0010 [CHAT]\r\n").isNull());
    QVERIFY(!b.waitFor("1002 JOIN carol 0010 [CHAT]\r\n").isNull());

    a.send("hello \"there\"\r\n\r\n   \r\n");
    QVERIFY(b.expectNext(talk("alice", "hello \"there\"")));
    QVERIFY(c.expectNext(talk("alice", "hello \"there\"")));
    QVERIFY(a.expectNothingElse());
    QVERIFY(b.expectNothingElse());
}

void TestGatewayServer::joinAndLeaveSeenByMembers() {
    ChatClient a, b;
    QVERIFY(a.logOn(kAddress, "alice", "pw"));
    QVERIFY(b.logOn(kAddress, "bob", "pw"));
    QVERIFY(a.expectNext("1002 JOIN bob 0010 [CHAT]\r\n"));

    b.send("/join Magic\r\n");
    QVERIFY(a.expectNext("1003 LEAVE bob 0010\r\n"));
    b.send("/join chat\r\n");
    QVERIFY(a.expectNext("1002 JOIN bob 0010 [CHAT]\r\n"));
    b.send("/rejoin\r\n");
    QVERIFY(a.expectNext("1003 LEAVE bob 0010\r\n1002 JOIN bob 0010 [CHAT]\r\n"));

    b.socket().disconnectFromHost();
    QVERIFY(a.expectNext("1003 LEAVE bob 0010\r\n"));
    QTRY_COMPARE(m_server->clientCount(), 1);
    QVERIFY(a.expectNothingElse());
}

void TestGatewayServer::joinListsMembers() {
    ChatClient a, b, c;
    QVERIFY(a.logOn(kAddress, "alice", "pw"));
    QVERIFY(b.logOn(kAddress, "bob", "pw"));
    QVERIFY(c.logOn(kAddress, "carol", "pw"));
    a.send("/join Magic\r\n");
    QVERIFY(!a.waitFor("1001 USER alice 0010 [CHAT]\r\n").isNull());
    QVERIFY(!b.waitFor("1003 LEAVE alice 0010\r\n").isNull());
    b.send("/JOIN   magic  \r\n");
    // The channel keeps the spelling of whoever opened it.
    QVERIFY(b.expectNext("1007 CHANNEL \"Magic\"\r\n"
                         "1001 USER alice 0010 [CHAT]\r\n"
                         "1001 USER bob 0010 [CHAT]\r\n"));
    QVERIFY(a.expectNext("1002 JOIN bob 0010 [CHAT]\r\n"));
    QVERIFY(!c.waitFor("1003 LEAVE bob 0010\r\n").isNull());
    c.send("/join\r\n");
    QVERIFY(c.expectNext("1019 ERROR \"What channel do you want to join?\"\r\n"));

    c.send("hi\r\n");
    QVERIFY(c.expectNext("1018 INFO \"No one hears you.\"\r\n"));
    QVERIFY(a.expectNothingElse());
}

void TestGatewayServer::whisperBothSidesAndUnknownTarget() {
    ChatClient a, b;
    QVERIFY(a.logOn(kAddress, "alice", "pw"));
    QVERIFY(b.logOn(kAddress, "bob", "pw"));
    QVERIFY(!a.waitFor("1002 JOIN bob 0010 [CHAT]\r\n").isNull());

    const QByteArray forms[] = {"/whisper", "/msg", "/w", "/m", "/W"};
    for (const QByteArray &form : forms) {
        a.send(form + " BOB  psst, bob\r\n");
        QVERIFY(b.expectNext("1004 WHISPER alice 0010 \"psst, bob\"\r\n"));
        QVERIFY(a.expectNext("1010 WHISPERSENT bob 0010 \"psst, bob\"\r\n"));
    }
    a.send("/w nobody hello\r\n");
    QVERIFY(a.expectNext("1019 ERROR \"That user is not logged on.\"\r\n"));
    a.send("/w bob   \r\n");
    QVERIFY(a.expectNext("1019 ERROR \"What do you want to say?\"\r\n"));
    QVERIFY(b.expectNothingElse());
}

void TestGatewayServer::awayAndDndToggle() {
    ChatClient a, b;
    QVERIFY(a.logOn(kAddress, "alice", "pw"));
    QVERIFY(b.logOn(kAddress, "bob", "pw"));

    QVERIFY(!a.waitFor("1002 JOIN bob 0010 [CHAT]\r\n").isNull());
    b.send("/away out for lunch\r\n");
    QVERIFY(b.expectNext("1018 INFO \"You are now marked as being away.\"\r\n"));
    a.send("/w bob hi\r\n");
    QVERIFY(a.expectNext("1010 WHISPERSENT bob 0010 \"hi\"\r\n"
                         "1018 INFO \"bob is away (out for lunch)\"\r\n"));
    QVERIFY(b.expectNext("1004 WHISPER alice 0010 \"hi\"\r\n"));
    b.send("/away\r\n");
    QVERIFY(b.expectNext("1018 INFO \"You are no longer marked as away.\"\r\n"));
    b.send("/away\r\n");
    QVERIFY(b.expectNext("1018 INFO \"You are now marked as being away.\"\r\n"));
    b.send("/away\r\n");
    QVERIFY(b.expectNext("1018 INFO \"You are no longer marked as away.\"\r\n"));

    b.send("/dnd busy\r\n");
    QVERIFY(b.expectNext("1018 INFO \"Do Not Disturb mode engaged.\"\r\n"));
    a.send("/w bob hi\r\n");
    QVERIFY(a.expectNext("1018 INFO \"bob is unavailable (busy)\"\r\n"));
    QVERIFY(b.expectNothingElse());
    b.send("/DND\r\n");
    QVERIFY(b.expectNext("1018 INFO \"Do Not Disturb mode cancelled.\"\r\n"));
    a.send("/w bob hi\r\n");
    QVERIFY(b.expectNext("1004 WHISPER alice 0010 \"hi\"\r\n"));
}

void TestGatewayServer::emoteGoesToEveryone() {
    ChatClient a, b;
    QVERIFY(a.logOn(kAddress, "alice", "pw"));
    QVERIFY(b.logOn(kAddress, "bob", "pw"));
    QVERIFY(!a.waitFor("1002 JOIN bob 0010 [CHAT]\r\n").isNull());
    a.send("/me waves\r\n");
    QVERIFY(a.expectNext("1023 EMOTE alice 0010 \"waves\"\r\n"));
    QVERIFY(b.expectNext("1023 EMOTE alice 0010 \"waves\"\r\n"));
    a.send("/me\r\n");
    QVERIFY(a.expectNext("1019 ERROR \"What do you want to emote?\"\r\n"));
    QVERIFY(b.expectNothingElse());
}

void TestGatewayServer::squelchFiltersTalk() {
    ChatClient a, b, c;
    QVERIFY(a.logOn(kAddress, "alice", "pw"));
    QVERIFY(b.logOn(kAddress, "bob", "pw"));
    QVERIFY(c.logOn(kAddress, "carol", "pw"));
    QVERIFY(!a.waitFor("1002 JOIN carol 0010 [CHAT]\r\n").isNull());
    QVERIFY(!b.waitFor("1002 JOIN carol 0010 [CHAT]\r\n").isNull());

    a.send("/squelch Bob\r\n");
    QVERIFY(a.expectNext("1018 INFO \"bob has been squelched.\"\r\n"));
    b.send("noise\r\n/w alice psst\r\n/me shouts\r\n");
    QVERIFY(!c.waitFor("1023 EMOTE bob 0010 \"shouts\"\r\n").isNull());
    QVERIFY(b.expectNext("1010 WHISPERSENT alice 0010 \"psst\"\r\n"
                         "1023 EMOTE bob 0010 \"shouts\"\r\n"));
    QVERIFY(a.expectNothingElse());

    a.send("/unignore bob\r\n");
    QVERIFY(a.expectNext("1018 INFO \"bob has been unsquelched.\"\r\n"));
    b.send("back\r\n");
    QVERIFY(a.expectNext(talk("bob", "back")));
    a.send("/ignore nobody\r\n/ignore alice\r\n/unsquelch bob\r\n");
    QVERIFY(a.expectNext("1019 ERROR \"That user is not logged on.\"\r\n"
                         "1019 ERROR \"You cannot squelch yourself.\"\r\n"
                         "1019 ERROR \"That user is not squelched.\"\r\n"));
}

void TestGatewayServer::commandWordsIgnoreCase() {
    ChatClient a;
    QVERIFY(a.logOn(kAddress, "alice", "pw"));
    a.send("/WhoAmI\r\n");
    QVERIFY(a.expectNext("1018 INFO \"You are alice, using Brackmoor Chat in the channel "
                         "Chat.\"\r\n"));
    a.send("/KICK bob\r\n/Ban bob\r\n/unban bob\r\n/designate bob\r\n/resign\r\n");
    QByteArray five;
    for (int i = 0; i < 5; ++i)
        five += "1019 ERROR \"You are not a channel operator.\"\r\n";
    QVERIFY(a.expectNext(five));
}

void TestGatewayServer::unknownCommand_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("unknown word") << QByteArray("/frobnicate now");
    QTest::newRow("slash alone") << QByteArray("/");
    QTest::newRow("slash space") << QByteArray("/ join Magic");
    QTest::newRow("prefix of a command") << QByteArray("/whisp bob hi");
}

void TestGatewayServer::unknownCommand() {
    QFETCH(QByteArray, line);
    ChatClient a;
    QVERIFY(a.logOn(kAddress, "alice", "pw"));
    a.send(line + "\r\n");
    QVERIFY(a.expectNext(
        "1019 ERROR \"That is not a valid command. Type /help or /? for more info.\"\r\n"));
    a.send("/?\r\n");
    QVERIFY(a.expectNext("1018 INFO \"Chat commands: /join CHANNEL"));
}

void TestGatewayServer::infoCommands() {
    ChatClient a, b, c;
    QVERIFY(a.logOn(kAddress, "alice", "pw"));
    QVERIFY(b.logOn(kAddress, "bob", "pw"));
    QVERIFY(c.logOn(kAddress, "carol", "pw"));
    c.send("/join Magic\r\n");
    QVERIFY(!c.waitFor("1001 USER carol 0010 [CHAT]\r\n").isNull());

    QVERIFY(!a.waitFor("1003 LEAVE carol 0010\r\n").isNull());
    a.send("/who chat\r\n/who\r\n/who nowhere\r\n");
    const QByteArray chatList = "1018 INFO \"Users in channel Chat:\"\r\n"
                                "1018 INFO \"alice, bob\"\r\n";
    QVERIFY(a.waitFor(chatList + chatList) == chatList + chatList);
    QVERIFY(a.expectNext("1019 ERROR \"That channel does not exist.\"\r\n"));
    a.send("/whois CAROL\r\n/whereis nobody\r\n/users\r\n");
    QVERIFY(a.expectNext("1018 INFO \"carol is using Brackmoor Chat in the channel Magic.\"\r\n"
                         "1019 ERROR \"That user is not logged on.\"\r\n"
                         "1018 INFO \"There are currently 3 users in 2 channels on this "
                         "gateway.\"\r\n"));
    a.send("/time\r\n");
    QVERIFY(a.expectNext("1018 INFO \"Gateway time: "));
    QVERIFY(!a.waitFor("\"\r\n").isNull());
}

void TestGatewayServer::lineCutAt255Bytes() {
    ChatClient a, b;
    QVERIFY(a.logOn(kAddress, "alice", "pw"));
    QVERIFY(b.logOn(kAddress, "bob", "pw"));
    const QByteArray prefix = "1005 TALK bob 0010 \"";
    const qsizetype room = 255 - prefix.size() - 1;

    b.send(QByteArray(room, 'x') + "\r\n");
    QVERIFY(!a.waitFor(prefix + QByteArray(room, 'x') + "\"\r\n").isNull());
    b.send(QByteArray(room + 1, 'y') + "\r\n");
    QVERIFY(a.expectNext(prefix + QByteArray(room, 'y') + "\"\r\n"));
    b.send(QByteArray(4000, 'z') + "\r\n");
    QVERIFY(a.expectNext(prefix + QByteArray(room, 'z') + "\"\r\n"));
}

void TestGatewayServer::megabyteLineAndBinaryWhileOthersChat() {
    ChatClient a, b, flood;
    QVERIFY(a.logOn(kAddress, "alice", "pw"));
    QVERIFY(b.logOn(kAddress, "bob", "pw"));
    QVERIFY(flood.logOn(kAddress, "flood", "pw"));
    QVERIFY(!a.waitFor("1002 JOIN flood 0010 [CHAT]\r\n").isNull());
    QVERIFY(!b.waitFor("1002 JOIN flood 0010 [CHAT]\r\n").isNull());

    const QByteArray piece(64 * 1024, 'm');
    for (int i = 0; i < 16; ++i) {
        flood.send(piece);
        a.send("ping " + QByteArray::number(i) + "\r\n");
        QVERIFY(b.expectNext(talk("alice", "ping " + QByteArray::number(i))));
    }
    flood.send("\r\n");
    const QByteArray cut = "1005 TALK flood 0010 \"" + QByteArray(255 - 23, 'm') + "\"\r\n";
    QVERIFY(a.expectNext(cut));
    QVERIFY(b.expectNext(cut));

    // NULs and control bytes go, bytes that are no UTF-8 pass as they are, a lone CR and a
    // lone LF each end a line.
    static const char raw[] = "\x00\x01\x02sp\x00m\xff\xfe\x80\x1b[2J\x7f\rnext\x00\nlast\xc3\xa9";
    flood.send(QByteArray(raw, sizeof raw - 1) + "\r\n");
    QVERIFY(a.expectNext(talk("flood", "spm\xff\xfe\x80[2J") + talk("flood", "next") +
                         talk("flood", "last\xc3\xa9")));
    QByteArray noise(8192, '\0');
    for (qsizetype i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<char>((i * 7919) & 0xFF);
    flood.send(noise);
    flood.send("\r\n");

    a.send("still here\r\n");
    QVERIFY(!b.waitFor(talk("alice", "still here")).isNull());
    b.send("me too\r\n");
    QVERIFY(!a.waitFor(talk("bob", "me too")).isNull());
    QVERIFY(!flood.waitFor(talk("bob", "me too")).isNull());
    QCOMPARE(m_server->clientCount(), 3);
}

void TestGatewayServer::silentClientTimesOutBeforeLogOn() {
    m_server->setLogOnTimeout(300);
    ChatClient silent, chatter;
    QVERIFY(chatter.logOn(kAddress, "chatter", "pw"));
    QVERIFY(silent.connectTo(kAddress));
    QVERIFY(silent.expectNext(kGreeting));
    QVERIFY(!silent.waitFor("Log-on timed out.\r\n", 3000).isNull());
    QVERIFY(silent.waitForClosed());
    // A logged-on client has no such limit.
    QTest::qWait(400);
    QVERIFY(chatter.expectNothingElse());
    QCOMPARE(m_server->clientCount(), 1);
}

void TestGatewayServer::slowReaderIsDropped() {
    ChatClient talker;
    QVERIFY(talker.logOn(kAddress, "talker", "pw"));

    // A client that logs on and then never reads, with a small receive buffer so the gateway's
    // queue for it fills soon.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    const auto closeSleeper = qScopeGuard([fd] { ::close(fd); });
    const int small = 4096;
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(ChatClient::kPort);
    to.sin_addr.s_addr = htonl(QHostAddress(kAddress).toIPv4Address());
    QCOMPARE(::connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to), 0);
    const char record[] = "\x03\x04sleeper\r\npw\r\n";
    QCOMPARE(::send(fd, record, sizeof record - 1, 0), ssize_t(sizeof record - 1));
    QVERIFY(!talker.waitFor("1002 JOIN sleeper 0010 [CHAT]\r\n").isNull());

    QSignalSpy gone(m_server.get(), &GatewayServer::clientDisconnected);
    const QByteArray line = QByteArray(240, 'f') + "\r\n";
    QByteArray burst;
    for (int i = 0; i < 1000; ++i)
        burst += line;
    // 64 MiB at most; the gateway should give up on the sleeper after a few.
    for (int i = 0; i < 256 && gone.isEmpty(); ++i) {
        talker.send(burst);
        QTest::qWait(1);
    }
    QTRY_COMPARE(gone.size(), 1);
    QCOMPARE(gone.first().at(1).toByteArray(), QByteArray("sleeper"));
    QVERIFY(!talker.waitFor("1003 LEAVE sleeper 0010\r\n", 10000).isNull());
    QCOMPARE(m_server->clientCount(), 1);
}

QTEST_GUILESS_MAIN(TestGatewayServer)
#include "tst_gatewayserver.moc"
