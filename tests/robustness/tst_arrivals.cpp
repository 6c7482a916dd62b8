#include "fixture.h"

#include <QSignalSpy>
#include <QTcpSocket>

using namespace Qt::StringLiterals;

namespace {

// Every byte from `from` to `to`, each followed by `between` unless that is 0.
QByteArray allBytes(int from, int to, char between = 0) {
    QByteArray bytes;
    for (int b = from; b <= to; ++b)
        bytes += between ? QByteArray{char(b), between} : QByteArray(1, char(b));
    return bytes;
}

// C0 but TAB, DEL, C1, line and paragraph separators, bidi controls and lone surrogates.
bool drawnAsIs(QStringView shown, qsizetype i) {
    const char16_t c = shown.at(i).unicode();
    if (QChar::isHighSurrogate(c))
        return i + 1 >= shown.size() || !shown.at(i + 1).isLowSurrogate();
    if (QChar::isLowSurrogate(c))
        return i == 0 || !shown.at(i - 1).isHighSurrogate();
    return (c < 0x20 && c != u'\t') || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

} // namespace

// What a gateway sends before closing shows exactly as decoded in one piece, never as markup
// or controls, without the window standing still and with memory in proportion to the text.
class tst_Arrivals : public MainWindowTest {
    Q_OBJECT

private Q_SLOTS:
    void arrive_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("piece"); // the most the gateway queues at a time
        const auto hostile = [](const char *name, const QByteArray &bytes) {
            QTest::addRow("%s", name) << bytes << int(bytes.size());
            QTest::addRow("%s, a byte per arrival", name) << bytes << 1;
        };
        hostile("NUL, every C0 control and DEL",
                "a\0b"_ba + allBytes(0, 0x1F, 'x') + "\x7f\r\n"_ba);
        hostile("bytes 0x80 to 0xFF alone and in a row",
                allBytes(0x80, 0xFF, ' ') + allBytes(0x80, 0xFF));
        hostile("overlong, truncated, surrogate and past U+10FFFF",
                "\xc0\x80|\xc1\xbf|\xe0\x80\x80|\xe0\x9f\xbf|\xf0\x80\x80\x80|\xf8\x88\x80\x80\x80|"
                "\xfc\x84\x80\x80\x80\x80\r\n\xe2\x82x\xf0\x9f\x98y\xc3 \xe2\r\n\xed\xa0\x80|"
                "\xed\xbf\xbf|\xed\xa0\xbd\xed\xb8\x80\xf4\x90\x80\x80\xf5\x80\x80\x80\xff\xfe"_ba);
        hostile("byte-order marks, noncharacters, direction controls and separators",
                "\xef\xbb\xbfUsername: \xef\xbb\xbf|\xef\xbf\xbf\xef\xbf\xbe\xef\xb7\x90\xf4\x8f"
                "\xbf\xbf|\xe2\x80\xaetxt.exe\xe2\x80\xac \xe2\x80\xad\xe2\x81\xa6\xe2\x81\xa9|"
                "\xe2\x80\x8f\xd8\x9c\xe2\x80\xaa\xe2\x80\xab|\xe2\x80\xa8|\xe2\x80\xa9|\r\n"_ba);
        hostile("lone CR and LF", "\r\n\r\r\n\n\r\r\r\n\n\n\r"_ba);
        hostile("markup", "<b>x</b><img src=file:///etc/passwd>&lt;&amp;&#65;"
                          "<script>alert(1)</script>\r\n<a href=\"http://x/\">y</a>"_ba);
        hostile("ends inside a character", "caf\xc3"_ba);

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
        QSignalSpy arrivals(socket(), &Winsock::DataArrival);
        const QString expected = decodeWhole(bytes, true);
        const qint64 residentBefore = residentBytes();
        QTcpSocket *peer = gateway.client();
        qsizetype sent = 0;
        qint64 stall = 0;
        if (piece == 1) {
            for (; sent < bytes.size(); ++sent) {
                peer->write(bytes.mid(sent, 1));
                QVERIFY(arrivals.wait());
            }
        } else {
            // Keep the gateway's send queue topped up, as fast as the client takes it.
            const auto topUp = [&] {
                for (; sent < bytes.size() && peer->bytesToWrite() < piece; sent += piece)
                    peer->write(bytes.mid(sent, piece));
            };
            connect(peer, &QTcpSocket::bytesWritten, this, topUp);
            topUp();
            QVERIFY(spinUntil([&] { return sent >= bytes.size(); }, 100000, &stall));
        }
        gateway.closeClient();
        // The close comes after the last byte, so once it is seen nothing more arrives.
        QVERIFY(spinUntil(
            [&] {
                return socket()->State() == Winsock::sckClosing &&
                       transcript()->length() >= expected.size();
            },
            100000, &stall));
        qInfo("%lld arrivals, the longest stall %lld ms", qint64(arrivals.size()), stall);
        QVERIFY2(stall < 2000, "the window stood still");
        const qint64 residentGrowth = residentBytes() - residentBefore;
        const TranscriptDocument &document = transcript()->document();
        // Two bytes a character and the start of every line.
        const qint64 held = 2 * expected.size() + qint64(sizeof(qsizetype)) * document.lineCount();
        QCOMPARE(transcript()->length(), expected.size());
        QVERIFY(text() == expected);
        QCOMPARE(transcript()->selectionStart(), expected.size());
        QCOMPARE(
            status(),
            u"The gateway closed the connection. Choose Disconnect before connecting again."_s);

        // Troublemakers shown one for one as symbols; long lines cut into pieces.
        qsizetype breaks = 0;
        for (qsizetype line = 0; line < document.lineCount(); ++line) {
            const QString shown = document.displayText(line);
            QCOMPARE(shown.size(), document.lineContentEnd(line) - document.lineStart(line));
            QVERIFY(shown.size() <= TranscriptDocument::maxPieceLength());
            for (qsizetype i = 0; i < shown.size(); ++i)
                if (drawnAsIs(shown, i))
                    QFAIL(qPrintable(u"U+%1 drawn as it is"_s.arg(uint(shown.at(i).unicode()), 4,
                                                                  16, QChar(u'0'))));
            breaks += document.endsWithLineBreak(line);
        }
        QCOMPARE(breaks, bytes.count("\r\n"));
        nothingTypedIsLost(u"Not sent: the gateway closed the connection."_s, address(1));

        if (bytes.size() < (1 << 20))
            return; // memory is measured for the floods
        if (kProbesMissing)
            QSKIP(kProbesMissing);
        qInfo("resident memory grew by %lld MB to hold %lld MB", residentGrowth >> 20, held >> 20);
#if !defined(__SANITIZE_ADDRESS__) // which keeps freed blocks in quarantine
        QVERIFY(residentGrowth < 3 * held + (16 << 20));
#endif
    }
};

QTEST_MAIN(tst_Arrivals)
#include "tst_arrivals.moc"
