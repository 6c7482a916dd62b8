#include "common/bytes.h"
#include "common/testaddresses.h"
#include "floodquota.h"
#include "gatewayserver.h"
#include "linereader.h"

#include <QProcess>
#include <QTcpSocket>
#include <QTest>

#include <csignal>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString kProgram = QStringLiteral(GATEWAY_BINARY);
const QString kProgramAddress = TestAddresses::address(TestAddresses::kGatewayTool, 1);

// The end of the answer to a log-on, after the channel and the welcome.
const QByteArray kLoggedOn = "they last until it stops.\"\r\n";

QByteArray record(const QByteArray &name, const QByteArray &password = "pw") {
    return "\x03\x04" + name + "\r\n" + password + "\r\n";
}

// A real TCP client gathering what the gateway sends; its end shows as kClosed.
struct ChatClient {
    static constexpr char kClosed[] = "<closed>";

    ChatClient() {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
        QObject::connect(&socket, &QTcpSocket::disconnected, [this] { received += kClosed; });
    }
    bool connectTo(const QString &address) {
        socket.connectToHost(QHostAddress(address), 6112);
        return socket.waitForConnected();
    }
    bool logOn(const QString &address, const QByteArray &name, const QByteArray &password = "pw") {
        if (connectTo(address))
            send(record(name, password));
        return !waitFor(kLoggedOn).isNull();
    }
    void send(const QByteArray &bytes) {
        socket.write(bytes);
        socket.flush();
    }
    // Takes the next `count` bytes once they are there, or what came if they do not.
    QByteArray take(qsizetype count) {
        (void)QTest::qWaitFor([&] { return received.size() >= count; }, 10000);
        return std::exchange(received, received.mid(count)).left(count);
    }
    // Waits until `expected` has arrived and takes everything up to it; null when it does not.
    QByteArray waitFor(const QByteArray &expected) {
        if (QTest::qWaitFor([&] { return received.contains(expected); }, 10000))
            return take(received.indexOf(expected) + expected.size());
        qWarning() << "waited in vain for" << expected << "having" << received.left(500);
        return {};
    }
    // What comes before the answer to a question asked now: empty when nothing was on the way.
    QByteArray unasked() {
        const QByteArray answer = "1018 INFO \"You are ";
        send("/whoami\r\n");
        const QByteArray got = waitFor(answer);
        return got.isNull() ? QByteArray("<no answer>") : got.chopped(answer.size());
    }

    QByteArray received; // before the socket, which may still report its end as it goes
    QTcpSocket socket;
};

// The gateway program, started with `arguments` and stopped at the end.
struct Gateway : QProcess {
    explicit Gateway(const QStringList &arguments) { start(kProgram, arguments); }
    ~Gateway() override {
#ifdef Q_OS_WIN
        // terminate() asks a program's windows to close, and a console program has none.
        kill();
#else
        terminate();
#endif
        waitForFinished();
    }
    bool printed(const QString &line) {
        return QTest::qWaitFor([&] {
            output += readAllStandardOutput();
            return output.contains((line + u'\n').toUtf8());
        });
    }
    QByteArray output;
};

const QByteArray kNames[] = {"alice", "bob", "carol"};
const QByteArray kFailed = "Password: \r\nLogin failed.\r\n\r\nUsername: ";

QByteArray talk(const QByteArray &name, const QByteArray &text) {
    return "1005 TALK " + name + " 0010 \"" + text + "\"\r\n";
}
QByteArray info(const QByteArray &text) {
    return "1018 INFO \"" + text + "\"\r\n";
}
QByteArray error(const QByteArray &text) {
    return "1019 ERROR \"" + text + "\"\r\n";
}

// A row logs on the first `users` of alice, bob and carol (clients 0, 1, 2), connects one more
// that sends nothing (it has a second to log on), and plays its steps: "N>" and bytes client N
// sends ("N)" one byte at a time), "N<" and bytes client N must receive next, "N=" and bytes
// client N must receive after whatever comes first.
void row(const char *name, int users, const QByteArrayList &steps, bool quota = false) {
    QTest::newRow(name) << users << quota << steps;
}

} // namespace

// The gateway in process on one address, and the gateway program on another.
class TestGateway : public QObject {
    Q_OBJECT

    const QString m_address = TestAddresses::address(TestAddresses::kGatewayTool, 0);
    std::unique_ptr<GatewayServer> m_server;

private Q_SLOTS:
    void cleanup() { m_server.reset(); }
    void init() {
        SKIP_WITHOUT_LOOPBACK_ALIASES();
        m_server = std::make_unique<GatewayServer>();
        m_server->setLogOnTimeout(1000);
        QVERIFY2(m_server->listen(QHostAddress(m_address)), qPrintable(m_server->errorString()));
    }

    void conversation_data() {
        QTest::addColumn<int>("users");
        QTest::addColumn<bool>("quota");
        QTest::addColumn<QByteArrayList>("steps");
        row("log-on refused: wrong password, name in use, a space, blank, too long; accepted", 1,
            {"1>" + record("alice", "wrong") + record("ALICE") + record("bob smith") +
                 record("   ") + record(QByteArray(33, 'b')) + record("carol"),
             "1=Username: ",
             "1<alice\r\n" + kFailed + "ALICE\r\n" + kFailed + "bob smith\r\n" + kFailed +
                 "   \r\n" + kFailed + QByteArray(33, 'b') + "\r\n" + kFailed +
                 "carol\r\nPassword: \r\n2010 NAME carol\r\n",
             "1=" + kLoggedOn, "0<1002 JOIN carol 0010 [CHAT]\r\n"});
        row("a terminal, byte by byte: name echoed, password not, empty lines ignored", 0,
            {"0)\n\r\n\rcarol\n\n\x03\x04secret\r\n",
             "0=Username: ", "0<carol\r\nPassword: \r\n2010 NAME carol\r\n"});
        // Logged on, a client has no such limit: alice connected first.
        row("a silent client timed out before log-on", 1, {"1<Log-on timed out.\r\n<closed>"});
        row("CR, LF, CR LF; control bytes dropped, a tab a space, other bytes as they came", 2,
            {"0>ab\x04"
             "cd\rx\x03y\n\r\n \"q\"\r\n\x00h\x01i\x7f\tthere \xff\xfe\xc3\xa9\x1b\r\n"_ba,
             "1<" + talk("alice", "abcd") + talk("alice", "xy") + talk("alice", " \"q\"") +
                 talk("alice", "hi there \xff\xfe\xc3\xa9")});
        row("emote, whisper, whois, unknown command, quit", 2,
            {"1>/me waves\r\n/w alice a\r\n/whisper alice b\r\n/w nobody c\r\n"
             "/WHOIS alice\r\n/whois nobody\r\n/frob\r\n/quit\r\n",
             "0<1023 EMOTE bob 0010 \"waves\"\r\n1004 WHISPER bob 0010 \"a\"\r\n"
             "1004 WHISPER bob 0010 \"b\"\r\n1003 LEAVE bob 0010\r\n",
             "1<1023 EMOTE bob 0010 \"waves\"\r\n1010 WHISPER alice 0010 \"a\"\r\n"
             "1010 WHISPER alice 0010 \"b\"\r\n" +
                 error("That user is not logged on.") +
                 info("alice is using Chat and is currently in channel \"Chat\".") +
                 info("User is offline") + error("Unknown command.") + info("Connection closed.") +
                 ChatClient::kClosed});
        row("join an empty channel, tempOP, then a second member", 2,
            {"1>/join Magic\r\n",
             "1<1007 CHANNEL \"Magic\"\r\n" + info("you are now tempOP for this channel") +
                 "1001 USER bob 0010 [CHAT]\r\n1009 USER bob 0012\r\n",
             "0<1003 LEAVE bob 0010\r\n", "0>/join  magic \r\n/kick bob\r\n",
             "0<1007 CHANNEL \"Magic\"\r\n1001 USER bob 0012 [CHAT]\r\n"
             "1001 USER alice 0010 [CHAT]\r\n" +
                 error("You are not a channel operator."),
             "1<1002 JOIN alice 0010 [CHAT]\r\n", "1>/join chat\r\n", "0<1003 LEAVE bob 0012\r\n",
             "1<1007 CHANNEL \"chat\"\r\n1001 USER bob 0010 [CHAT]\r\n"});
        row("squelch", 2,
            {"0>/squelch Bob\r\n", "0<" + info("bob has been squelched."),
             "1>noise\r\n/w alice psst\r\n", "1<1010 WHISPER alice 0010 \"psst\"\r\n",
             "0>/unignore bob\r\n", "0<" + info("bob has been unsquelched."), "1>back\r\n",
             "0<" + talk("bob", "back")});
        row("lines sent cut to 255 bytes and run on; 256 bytes or more dropped", 2,
            {"0>" + QByteArray(250, 'y') + "\r\n" + QByteArray(256, 'z') + "\r\n" +
                 QByteArray(1 << 20, 'z') + "\nok\r\n",
             "1<1005 TALK alice 0010 \"" + QByteArray(233, 'y') + talk("alice", "ok")});
        // The message quota itself, four lines and then refusals, is played end to end.
        row("quota: a line counts one per 40 bytes begun", 2,
            {"0>" + QByteArray(QByteArray(41, 'l') + "\r\n").repeated(3) + QByteArray(161, 'l') +
                 "\r\n",
             "1<" + talk("alice", QByteArray(41, 'l')).repeated(2),
             "0<" + error("Your message quota has been exceeded!") +
                 error("Your line length quota has been exceeded!")},
            true);
    }

    void conversation() {
        QFETCH(int, users);
        QFETCH(bool, quota);
        QFETCH(QByteArrayList, steps);
        m_server->setFloodQuota(quota);
        ChatClient clients[4];
        for (int i = 0; i < users; ++i) {
            QVERIFY(clients[i].logOn(m_address, kNames[i]));
            for (int j = 0; j < i; ++j)
                QVERIFY(
                    !clients[j].waitFor("1002 JOIN " + kNames[i] + " 0010 [CHAT]\r\n").isNull());
        }
        QVERIFY(clients[users].connectTo(m_address));
        for (const QByteArray &step : steps) {
            ChatClient &client = clients[step.at(0) - '0'];
            const QByteArray bytes = step.mid(2);
            if (step.at(1) == '<')
                COMPARE_BYTES(client.take(bytes.size()), bytes);
            if (step.at(1) == '=')
                QVERIFY(!client.waitFor(bytes).isNull());
            for (qsizetype i = 0; step.at(1) == ')' && i < bytes.size(); ++i, QTest::qWait(2))
                client.send(bytes.mid(i, 1));
            if (step.at(1) == '>')
                client.send(bytes);
        }
        // Nothing else came and nobody was dropped (over quota the question would be refused).
        for (int i = 0; i < users && !quota; ++i) {
            ChatClient &client = clients[i];
            const bool connected = client.socket.state() == QAbstractSocket::ConnectedState;
            COMPARE_BYTES(connected ? client.unasked() : client.received, QByteArray());
        }
    }

    // An endless line is not held; a refusing quota passes again after its window.
    void readerAndQuotaHoldLittle() {
        LineReader reader;
        QVERIFY(reader.feed(QByteArray(1 << 20, 'x')).isEmpty());
        QCOMPARE(reader.pending(), 0);
        FloodQuota quota;
        for (int i = 0; i < 9; ++i)
            quota.take(2, 1000);
        QCOMPARE(quota.take(2, 1000 + FloodQuota::kWindowMs), FloodQuota::Verdict::Pass);
    }

    void slowReaderIsDropped() {
        m_server->setFloodQuota(false);
        ChatClient talker;
        QVERIFY(talker.logOn(m_address, "talker"));
        // Logs on and never reads, so that the gateway's queue for it fills.
        QTcpSocket sleeper;
        sleeper.setReadBufferSize(4096);
        sleeper.connectToHost(QHostAddress(m_address), GatewayServer::kPort);
        QVERIFY(sleeper.waitForConnected());
        sleeper.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
        sleeper.write(record("sleeper"));
        QVERIFY(!talker.waitFor("1002 JOIN sleeper 0010 [CHAT]\r\n").isNull());
        // 64 MiB at most; the gateway should give up on the sleeper after a few.
        for (int i = 0; i < 256 && !talker.received.contains("1003 LEAVE sleeper");
             ++i, QTest::qWait(1))
            talker.send(QByteArray(QByteArray(240, 'f') + "\r\n").repeated(1000));
        QVERIFY(!talker.waitFor("1003 LEAVE sleeper 0010\r\n").isNull());
    }

    // Served, a burst meets the quota or not, and a signal stops the program with a client still
    // connected; refused, the program says why on its error output (the in-process gateway
    // holds its address meanwhile).
    void program_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<QByteArray>("fifthLine"); // what a fifth line in a burst gets
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("quota, SIGTERM")
            << QStringList{kProgramAddress} << int(SIGTERM)
            << QByteArray("1019 ERROR \"Your message quota") << 0 << u"Stopped.\n"_s;
        QTest::newRow("no quota, SIGINT")
            << QStringList{u"--no-flood-quota"_s, kProgramAddress} << int(SIGINT)
            << QByteArray("1018 INFO \"You are alice,") << 0 << u"Stopped.\n"_s;
        QTest::newRow("address taken") << QStringList{m_address} << 0 << QByteArray() << 1
                                       << u"cannot listen on %1:6112: "_s.arg(m_address);
        QTest::newRow("no address") << QStringList{u"not-an-address"_s} << 0 << QByteArray() << 2
                                    << u"\"not-an-address\" is not an IP address"_s;
    }
    void program() {
        QFETCH(QStringList, arguments);
        QFETCH(int, signalNumber);
        QFETCH(QByteArray, fifthLine);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        Gateway gateway(arguments);
        ChatClient client;
        if (signalNumber) {
#ifndef Q_OS_UNIX
            QSKIP("stopping the gateway by a signal needs POSIX kill()");
#else
            QVERIFY(gateway.printed(u"Listening on "_s + kProgramAddress + u":6112"_s));
            QVERIFY(client.logOn(kProgramAddress, "alice", "secret"));
            // The gateway names a client by its address and port.
            says.prepend(
                u"Disconnected %1:%2 (alice)\n"_s.arg(client.socket.localAddress().toString(),
                                                      QString::number(client.socket.localPort())));
            client.send("a\r\nb\r\nc\r\nd\r\n/whoami\r\n");
            const QByteArray burst = QByteArray("1018 INFO \"No one hears you.\"\r\n").repeated(4);
            COMPARE_BYTES(client.take(burst.size() + fifthLine.size()), burst + fifthLine);
            ::kill(static_cast<pid_t>(gateway.processId()), signalNumber);
#endif
        }
        QVERIFY(gateway.waitForFinished(5000));
        QVERIFY(!signalNumber || !client.waitFor(ChatClient::kClosed).isNull());
        QCOMPARE(gateway.exitStatus(), QProcess::NormalExit);
        QCOMPARE(gateway.exitCode(), exitCode);
        const QByteArray errors = gateway.readAllStandardError();
        QCOMPARE(errors.isEmpty(), exitCode == 0);
        const QString text = QString::fromLocal8Bit(gateway.output + gateway.readAll() + errors);
        QVERIFY2(text.contains(says), qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestGateway)
#include "tst_gateway.moc"
