#include "accountbook.h"
#include "linereader.h"
#include "wire.h"

#include <QTest>

using Lines = QList<QByteArray>;

class TestGatewayWire : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lineEnds_data();
    void lineEnds();
    void crLfSplitOverTwoReadsIsOneLineEnd();
    void controlBytesDroppedOtherBytesKept();
    void longLineKeptToCapAndRestDiscarded();
    void finishCutsQuotedLineKeepingQuote();
    void finishCutsUnquotedLine();
    void cutNeverSplitsUtf8Character();
    void accounts();
};

void TestGatewayWire::lineEnds_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<qsizetype>("pending");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << Lines{"a", "b"} << qsizetype(0);
    QTest::newRow("LF") << QByteArray("a\nb\n") << Lines{"a", "b"} << qsizetype(0);
    QTest::newRow("CR") << QByteArray("a\rb\r") << Lines{"a", "b"} << qsizetype(0);
    QTest::newRow("LF CR is two") << QByteArray("a\n\rb") << Lines{"a", ""} << qsizetype(1);
    QTest::newRow("empty lines") << QByteArray("\r\n\r\n") << Lines{"", ""} << qsizetype(0);
    QTest::newRow("unfinished") << QByteArray("abc") << Lines{} << qsizetype(3);
}

void TestGatewayWire::lineEnds() {
    QFETCH(QByteArray, input);
    QFETCH(Lines, lines);
    QFETCH(qsizetype, pending);
    LineReader reader;
    QCOMPARE(reader.feed(input), lines);
    QCOMPARE(reader.pending(), pending);
}

void TestGatewayWire::crLfSplitOverTwoReadsIsOneLineEnd() {
    LineReader reader;
    QCOMPARE(reader.feed("alice\r"), Lines{"alice"});
    QCOMPARE(reader.feed("\nsecret\r"), Lines{"secret"});
    QCOMPARE(reader.feed("\n"), Lines{});
}

void TestGatewayWire::controlBytesDroppedOtherBytesKept() {
    LineReader reader;
    static const char raw[] = "\x00h\x01i\x7f\tthere \xff\xfe\xc3\xa9\x1b\n";
    const QByteArray input(raw, sizeof raw - 1);
    QCOMPARE(reader.feed(input), Lines{QByteArray("hi there \xff\xfe\xc3\xa9")});
}

void TestGatewayWire::longLineKeptToCapAndRestDiscarded() {
    LineReader reader;
    const QByteArray piece(64 * 1024, 'x');
    for (int i = 0; i < 16; ++i) // a megabyte without a line end
        QVERIFY(reader.feed(piece).isEmpty());
    QCOMPARE(reader.pending(), LineReader::kMaxLine);
    const Lines lines = reader.feed("yyy\nnext\n");
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), QByteArray(LineReader::kMaxLine, 'x'));
    QCOMPARE(lines.at(1), QByteArray("next"));
}

void TestGatewayWire::finishCutsQuotedLineKeepingQuote() {
    const QByteArray line = wire::talk("bob", QByteArray(400, 'x'));
    const QByteArray sent = wire::finish(line);
    QCOMPARE(sent.size(), wire::kMaxLine + 2);
    QVERIFY(sent.startsWith("1005 TALK bob 0010 \"xxx"));
    QVERIFY(sent.endsWith("xx\"\r\n"));

    const QByteArray fits = wire::info(QByteArray(255 - 12, 'y'));
    QCOMPARE(fits.size(), 255);
    QCOMPARE(wire::finish(fits), fits + "\r\n");
}

void TestGatewayWire::finishCutsUnquotedLine() {
    const QByteArray sent = wire::finish("2010 NAME " + QByteArray(300, 'n'));
    QCOMPARE(sent, "2010 NAME " + QByteArray(245, 'n') + "\r\n");
}

void TestGatewayWire::cutNeverSplitsUtf8Character() {
    const QByteArray e("\xc3\xa9");             // two bytes
    const QByteArray euro("\xe2\x82\xac");      // three bytes
    const QByteArray emoji("\xf0\x9f\x98\x80"); // four bytes
    QCOMPARE(wire::cutUtf8("ab" + e, 3), QByteArray("ab"));
    QCOMPARE(wire::cutUtf8("ab" + e, 4), "ab" + e);
    QCOMPARE(wire::cutUtf8("a" + euro + "b", 3), QByteArray("a"));
    QCOMPARE(wire::cutUtf8("a" + emoji + "b", 4), QByteArray("a"));
    QCOMPARE(wire::cutUtf8("a" + emoji + "b", 5), "a" + emoji);
    // Bytes that are no UTF-8 are cut where the limit says.
    QCOMPARE(wire::cutUtf8("ab\x80\x80\x80\x80", 4), QByteArray("ab\x80\x80"));
    QCOMPARE(wire::cutUtf8("ab\xff\xff\xff", 3), QByteArray("ab\xff"));

    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += e;
    const QByteArray sent = wire::finish(wire::talk("bob", text));
    QVERIFY(sent.size() <= wire::kMaxLine + 2);
    QVERIFY(sent.endsWith(QByteArray(e + "\"\r\n")));
}

void TestGatewayWire::accounts() {
    AccountBook book;
    QCOMPARE(book.logOn("Alice", "secret"), std::optional<QByteArray>("Alice"));
    QCOMPARE(book.logOn("alice", "secret"), std::optional<QByteArray>("Alice"));
    QCOMPARE(book.logOn("ALICE", "Secret"), std::nullopt);
    QCOMPARE(book.logOn("bob", ""), std::nullopt);
    QVERIFY(!book.contains("bob"));
    QCOMPARE(book.logOn("", "pw"), std::nullopt);
    QCOMPARE(book.logOn("bob", "other"), std::optional<QByteArray>("bob"));
}

QTEST_GUILESS_MAIN(TestGatewayWire)
#include "tst_gatewaywire.moc"
