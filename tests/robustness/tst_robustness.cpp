#include "common/bytes.h"
#include "common/fakegateway.h"
#include "common/testaddresses.h"
#include "common/windows.h"
#include "net/ansicodec.h"
#include "net/winsock.h"
#include "ui/connect/frmlogin.h"
#include "ui/main/form1.h"
#include "ui/main/transcriptview.h"
#include "widgets/singlewindow.h"

#include <QAction>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>

#if defined(BRACKMOOR_USE_LINUX)
#include <linux/sockios.h>
#include <sys/ioctl.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// Bytes written to `socket` that its peer has not acknowledged yet; -1 where the kernel's send
// queue is not read (it is through a Linux interface).
int unacknowledgedBytes(const QTcpSocket *socket) {
    int queued = -1;
#if defined(BRACKMOOR_USE_LINUX)
    if (::ioctl(int(socket->socketDescriptor()), SIOCOUTQ, &queued) != 0)
        return -1;
#else
    Q_UNUSED(socket)
#endif
    return queued;
}

// Like QTest::qWaitFor without its sleeps, which would hold a flood up.
template<typename Done> bool spinUntil(Done done, int msecs) {
    QTimer wake; // something to wake the loop even when nothing else happens
    wake.start(5);
    for (const QDeadlineTimer deadline(msecs); !done();) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Waits until the peer acknowledged all `socket` wrote, turning the event loop only if asked.
bool waitAcknowledged(QTcpSocket *socket, bool turnLoop) {
    const auto acknowledged = [socket] {
        socket->flush();
        return socket->bytesToWrite() == 0 && unacknowledgedBytes(socket) == 0;
    };
    if (turnLoop)
        return spinUntil(acknowledged, 20000);
    for (const QDeadlineTimer deadline(5000); !deadline.hasExpired(); QThread::usleep(500))
        if (acknowledged())
            return true;
    return false;
}

// Listens on `address`:6112 with a full accept queue; whether a connect made now hangs.
bool listenSilently(QTcpServer &server, const QString &address) {
    // Never accepted, and with a backlog of 0 the kernel's queue is full after the first.
    server.setMaxPendingConnections(0);
    server.setListenBacklogSize(0);
    if (!server.listen(QHostAddress(address), FakeGateway::kPort))
        return false;
    // Connect until one hangs: from then on every SYN is dropped.
    for (int i = 0; i < 8; ++i) {
        auto *filler = new QTcpSocket(&server);
        filler->connectToHost(address, FakeGateway::kPort);
        if (!filler->waitForConnected(300))
            return true;
    }
    return false;
}

// Numbered chat lines with `word` in each, `size` bytes in all (the last one cut short).
QByteArray chatLines(qsizetype size, QByteArrayView word) {
    QByteArray bytes;
    for (int i = 0; bytes.size() < size; ++i)
        bytes += "1005 TALK user" + QByteArray::number(i % 97) + " 0010 \"line " +
                 QByteArray::number(i) + ", " + word + "\"\r\n";
    bytes.truncate(size);
    return bytes;
}

// The first character in `shown` that must not be drawn as it is, or -1: C0 but TAB, DEL, C1,
// line and paragraph separators and bidi controls.
int drawnAsIs(QStringView shown) {
    for (const QChar c : shown)
        if ((c < u' ' && c != u'\t') || (c >= u'\x7f' && c <= u'\x9f') || c == u'\u2028' ||
            c == u'\u2029' || (c >= u'\u202a' && c <= u'\u202e') ||
            (c >= u'\u2066' && c <= u'\u2069'))
            return c.unicode();
    return -1;
}

enum Delivery { Unread, PartlyRead, Undelivered };

} // namespace

// The client against hostile gateways and network faults, each test with a fresh main window
// driven as the user drives it. What arrived is kept and shows exactly as decoded in one
// piece, never as markup or controls; the status line says why a connection ended; nothing
// typed is lost. Addresses: 0 arrivals, 1 the gateway for afterwards, 3 resets, 4 refused,
// 5 drops SYNs.
class tst_Robustness : public QObject {
    Q_OBJECT

    std::unique_ptr<Form1> form;

    static QString address(int i) { return TestAddresses::address(TestAddresses::kRobustness, i); }
    Winsock *socket() const { return child<Winsock>(form.get(), "Winsock1"); }
    TranscriptView *transcript() const { return child<TranscriptView>(form.get(), "Text2"); }
    QString text() const { return transcript()->text(); }
    QLabel *statusLine() const { return child<QLabel>(form.get(), "statusLine"); }
    QString status() const { return statusLine()->text(); }
    void trigger(const char *action) const { child<QAction>(form.get(), action)->trigger(); }
    bool waitForState(int state, int msecs = 5000) const {
        return QTest::qWaitFor([this, state] { return socket()->State() == state; }, msecs);
    }
    // File, LogIn, `host` in the server box and Connect.
    void connectThroughLogin(const QString &host) const {
        trigger("mnuLogIn");
        frmLogin *login = form->loginWindow();
        auto *server = child<QComboBox>(login, "Combo1");
        if (server->currentText() != host)
            server->setEditText(host);
        QTest::mouseClick(child<QPushButton>(login, "cmdConnect"), Qt::LeftButton);
    }
    bool connectTo(FakeGateway &gateway) const {
        connectThroughLogin(gateway.address());
        return waitForState(Winsock::sckConnected) && gateway.waitForClient();
    }
    // Send and "Log On!" are refused with `sendFails`, and Connect with `connectFails`, keeping
    // what was typed, which goes out after Disconnect and a new connection.
    void nothingTypedIsLost(const QString &sendFails, const QString &connectFails) const {
        const int state = socket()->State();
        auto *input = child<QLineEdit>(form.get(), "Text1");
        QTest::keyClicks(input, "kept");
        QTest::keyClick(input, Qt::Key_Return);
        QCOMPARE(status(), sendFails);
        trigger("mnuLogIn");
        const QPointer<frmLogin> login = form->loginWindow();
        QTest::keyClicks(child<QLineEdit>(login, "Text1"), "name");
        statusLine()->clear(); // so that what it says next is the click's
        QTest::mouseClick(child<QPushButton>(login, "Command1"), Qt::LeftButton);
        QCOMPARE(status(), sendFails);
        QTest::mouseClick(child<QPushButton>(login, "cmdConnect"), Qt::LeftButton);
        QCOMPARE(status(), u"%1 Choose Disconnect before connecting again."_s.arg(connectFails));
        QCOMPARE(socket()->State(), state);

        trigger("mnuDis");
        QCOMPARE(status(), u"Disconnected"_s);
        FakeGateway gateway(address(1));
        QVERIFY(connectTo(gateway));
        QCOMPARE(status(), QStringLiteral("Connected to %1:6112").arg(gateway.address()));
        QTest::mouseClick(child<QPushButton>(login, "cmdConnect"), Qt::LeftButton);
        QCOMPARE(status(), u"Already connected. Choose Disconnect before connecting again."_s);
        QTest::mouseClick(child<QPushButton>(form.get(), "cmdSend"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(login, "Command1"), Qt::LeftButton);
        const QByteArray expected("kept\r\n\x03\x04name\r\n\r\n");
        QVERIFY(gateway.waitForBytes(expected.size()));
        COMPARE_BYTES(gateway.received(), expected);
        QTRY_VERIFY(!login);
    }

private Q_SLOTS:
    void init() {
        SKIP_WITHOUT_LOOPBACK_ALIASES();
        form = std::make_unique<Form1>();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() {
        form.reset();
        destroyRemainingWindows();
    }

    void arrive_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("piece"); // the most the gateway queues at a time
        // Every byte alone and 0x80 to 0xFF in a row; broken, overlong and surrogate UTF-8,
        // byte-order marks, noncharacters, direction controls, separators, lone CR and LF,
        // markup; and the end inside a character.
        QByteArray hostile;
        for (int b = 0; b < 0x100; ++b)
            hostile += QByteArray{char(b), 'x'};
        for (int b = 0x80; b < 0x100; ++b)
            hostile += char(b);
        hostile +=
            "\xc0\x80|\xc1\xbf|\xe0\x80\x80|\xe0\x9f\xbf|\xf0\x80\x80\x80|\xf8\x88\x80\x80\x80|"
            "\xfc\x84\x80\x80\x80\x80\r\n\xe2\x82x\xf0\x9f\x98y\xc3 \xe2\r\n\xed\xa0\x80|"
            "\xed\xbf\xbf|\xed\xa0\xbd\xed\xb8\x80\xf4\x90\x80\x80\xf5\x80\x80\x80\xff\xfe"
            "\xef\xbb\xbfUsername: \xef\xbb\xbf|\xef\xbf\xbf\xef\xbf\xbe\xef\xb7\x90\xf4\x8f"
            "\xbf\xbf|\xe2\x80\xaetxt.exe\xe2\x80\xac \xe2\x80\xad\xe2\x81\xa6\xe2\x81\xa9|"
            "\xe2\x80\x8f\xd8\x9c\xe2\x80\xaa\xe2\x80\xab|\xe2\x80\xa8|\xe2\x80\xa9|\r\n"
            "\r\n\r\r\n\n\r\r\r\n\n\n\r<b>x</b><img src=file:///etc/passwd>&lt;&amp;&#65;"
            "<script>alert(1)</script>\r\n<a href=\"http://x/\">y</a>caf\xc3"_ba;
        QTest::newRow("hostile bytes") << hostile << int(hostile.size());
        // Three-byte characters among the letters, so that pieces also end inside one.
        QByteArray line;
        while (line.size() < 1024 * 1024)
            line += "chat \xe2\x82\xac" + QByteArray::number(line.size(), 36) + ' ';
        QTest::newRow("1 MB line in 1 KB pieces") << line.left(1024 * 1024) << 1024;
        QTest::newRow("32 MB of chat lines, ending inside a character")
            << chatLines(32 << 20, "caf\xc3\xa9") + "\xe2\x82"_ba << (256 << 10);
        QTest::newRow("8 MB of empty lines") << "\r\n"_ba.repeated(4 << 20) << (256 << 10);
    }
    void arrive() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, piece);
        FakeGateway gateway(address(0));
        trigger("mnuClear");
        QVERIFY(connectTo(gateway));
        QTcpSocket *peer = gateway.client();
        qsizetype sent = 0;
        // Keep the gateway's send queue topped up, as fast as the client takes it.
        const auto topUp = [&] {
            for (; sent < bytes.size() && peer->bytesToWrite() < piece; sent += piece)
                peer->write(bytes.mid(sent, piece));
        };
        connect(peer, &QTcpSocket::bytesWritten, this, topUp);
        topUp();
        QVERIFY(spinUntil([&] { return sent >= bytes.size(); }, 100000));
        gateway.closeClient();
        const QString expected = decodeWhole<AnsiDecoder>(bytes);
        // The close comes after the last byte, so once it is seen nothing more arrives.
        QVERIFY(spinUntil(
            [&] {
                return socket()->State() == Winsock::sckClosing &&
                       transcript()->length() >= expected.size();
            },
            100000));
        QCOMPARE(transcript()->length(), expected.size());
        QVERIFY(text() == expected);
        QCOMPARE(transcript()->selectionStart(), expected.size());
        const TranscriptDocument &document = transcript()->document();
        for (qsizetype line = 0; line < document.lineCount(); ++line) {
            const QString shown = document.displayText(line);
            QVERIFY(shown.isValidUtf16()); // no lone surrogate drawn
            QCOMPARE(drawnAsIs(shown), -1);
        }
        nothingTypedIsLost(u"Not sent: the gateway closed the connection."_s,
                           u"The gateway closed the connection."_s);
    }

    // Every byte delivered before a reset shows; of an undelivered stream, a clean beginning.
    void gatewayResets_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("delivery");
        QTest::newRow("40 KB, not yet read") << (40 << 10) << int(Unread);
        QTest::newRow("3 MB, partly read") << (3 << 20) << int(PartlyRead);
        QTest::newRow("4 MB, most not delivered") << (4 << 20) << int(Undelivered);
    }
    void gatewayResets() {
        QFETCH(int, size);
        QFETCH(int, delivery);
        if (!Winsock::tellsResetFromClose())
            QSKIP("this build reports a reset by the gateway as Qt does, as an ordered close");
        const QByteArray bytes = chatLines(size, "reset");
        const QString sent = text() + decodeWhole<AnsiDecoder>(bytes); // after the welcome line
        FakeGateway gateway(address(3));
        QVERIFY(connectTo(gateway));
        if (delivery != Undelivered && unacknowledgedBytes(gateway.client()) < 0)
            QSKIP("this system does not tell what the peer has acknowledged");
        gateway.client()->write(bytes);
        if (delivery == Undelivered)
            gateway.client()->flush();
        else // the partly read stream is reset the moment its last byte is acknowledged
            QVERIFY(waitAcknowledged(gateway.client(), delivery == PartlyRead));
        gateway.resetClient();
        QVERIFY(waitForState(Winsock::sckError));
        const auto *connection = socket()->findChild<QTcpSocket *>();
        QVERIFY(connection);
        QVERIFY(spinUntil(
            [&] {
                return connection->state() == QAbstractSocket::UnconnectedState &&
                       socket()->bytesAvailable() == 0;
            },
            20000));
        if (delivery == Undelivered) {
            qInfo("%lld of %lld characters shown before the reset", text().size(), sent.size());
            QVERIFY(text().size() < sent.size() && sent.startsWith(text()));
        } else {
            QCOMPARE(text().size(), sent.size());
            QVERIFY(text() == sent);
        }
        QCOMPARE(status(),
                 u"The gateway reset the connection. Choose Disconnect before connecting again."_s);
        nothingTypedIsLost(u"Not sent: the connection failed."_s, u"The last connection failed."_s);
    }

    // A failed connect says why, as plain text, and leaves the transcript as it was.
    void connectFails_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("failure");
        QTest::newRow("refused") << address(4)
                                 << u"Connection refused by %1:6112"_s.arg(address(4));
        QTest::newRow("no answer")
            << address(5) << u"Timed out connecting to %1:6112"_s.arg(address(5));
        for (const QString &host : {u"Select your Server..."_s, u"no-such-gateway.invalid"_s,
                                    QString(), u"   "_s, u"<b>bold</b><img src=file:///x>"_s})
            QTest::addRow("host \"%s\"", qPrintable(host)) << host << u"Host not found: "_s + host;
    }
    void connectFails() {
        QFETCH(QString, host);
        QFETCH(QString, failure);
        const bool hangs = host == address(5);
        QTcpServer silent;
        if (hangs && !listenSilently(silent, host))
            QSKIP("the kernel accepts every connection to a full listener here");
        socket()->setConnectTimeout(800);
        const QString before = text();
        QElapsedTimer clock;
        clock.start();
        connectThroughLogin(host);
        if (hangs) {
            QVERIFY(waitForState(Winsock::sckConnecting));
            QCOMPARE(status(), u"Connecting to %1:6112..."_s.arg(host));
            connectThroughLogin(host);
            QVERIFY2(status().startsWith(u"Already connecting"), qPrintable(status()));
        }
        QVERIFY(waitForState(Winsock::sckError, 30000));
        QVERIFY(!hangs || clock.elapsed() >= 700);
        QCOMPARE(status(), u"%1. Choose Disconnect before connecting again."_s.arg(failure));
        QCOMPARE(statusLine()->textFormat(), Qt::PlainText);
        QCOMPARE(text(), before);
        nothingTypedIsLost(u"Not sent: the connection failed."_s, u"The last connection failed."_s);
    }
};

QTEST_MAIN(tst_Robustness)
#include "tst_robustness.moc"
