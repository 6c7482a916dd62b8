#include "accountbook.h"
#include "floodquota.h"
#include "linereader.h"
#include "wire.h"

#include <QTest>

using Lines = QList<QByteArray>;
using Verdicts = QList<FloodQuota::Verdict>;

class TestGatewayWire : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lines_data();
    void lines();
    void crLfSplitOverTwoReadsIsOneLineEnd();
    void finishCutsToExactly255Bytes();
    void cutNeverSplitsUtf8Character_data();
    void cutNeverSplitsUtf8Character();
    void floodQuota_data();
    void floodQuota();
    void accounts();
};

void TestGatewayWire::lines_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<Lines>("lines");
    QTest::addColumn<qsizetype>("pending");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << Lines{"a", "b"} << qsizetype(0);
    QTest::newRow("LF") << QByteArray("a\nb\n") << Lines{"a", "b"} << qsizetype(0);
    QTest::newRow("CR") << QByteArray("a\rb\r") << Lines{"a", "b"} << qsizetype(0);
    QTest::newRow("LF CR is two") << QByteArray("a\n\rb") << Lines{"a", ""} << qsizetype(1);
    QTest::newRow("unfinished") << QByteArray("abc") << Lines{} << qsizetype(3);
    static const char raw[] = "\x00h\x01i\x7f\tthere \xff\xfe\xc3\xa9\x1b\x03\x04\n";
    QTest::newRow("control bytes dropped, others kept")
        << QByteArray(raw, sizeof raw - 1) << Lines{"hi there \xff\xfe\xc3\xa9"} << qsizetype(0);
    QTest::newRow("255 bytes kept") << QByteArray(255, 'x') + '\n'
                                    << Lines{QByteArray(255, 'x')} << qsizetype(0);
    QTest::newRow("256 bytes dropped, control bytes counted") << QByteArray(255, 'x') + "\x03\nok\n"
                                                              << Lines{"ok"} << qsizetype(0);
    QTest::newRow("a megabyte holds nothing")
        << QByteArray(1 << 20, 'x') << Lines{} << qsizetype(0);
}

void TestGatewayWire::lines() {
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

void TestGatewayWire::finishCutsToExactly255Bytes() {
    const QByteArray fits = wire::info(QByteArray(255 - 14, 'y'));
    QCOMPARE(wire::finish(fits), fits + "\r\n");
    // The line end and the closing quote go first; a character may be split.
    QCOMPARE(wire::finish(wire::info(QByteArray(244, 'y'))), "1018 INFO \"" + QByteArray(244, 'y'));
    QCOMPARE(wire::finish(wire::info(QByteArray(300, '\xc3'))),
             "1018 INFO \"" + QByteArray(255 - 11, '\xc3'));
}

void TestGatewayWire::cutNeverSplitsUtf8Character_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("max");
    QTest::addColumn<QByteArray>("cut");
    QTest::newRow("two bytes, split") << QByteArray("ab\xc3\xa9") << 3 << QByteArray("ab");
    QTest::newRow("two bytes, whole") << QByteArray("ab\xc3\xa9") << 4 << QByteArray("ab\xc3\xa9");
    QTest::newRow("three bytes") << QByteArray("a\xe2\x82\xac"
                                               "b")
                                 << 3 << QByteArray("a");
    QTest::newRow("four bytes") << QByteArray("a\xf0\x9f\x98\x80"
                                              "b")
                                << 4 << QByteArray("a");
    QTest::newRow("four bytes, whole") << QByteArray("a\xf0\x9f\x98\x80"
                                                     "b")
                                       << 5 << QByteArray("a\xf0\x9f\x98\x80");
    QTest::newRow("continuations only")
        << QByteArray("ab\x80\x80\x80\x80") << 4 << QByteArray("ab\x80\x80");
    QTest::newRow("no UTF-8") << QByteArray("ab\xff\xff\xff") << 3 << QByteArray("ab\xff");
}

void TestGatewayWire::cutNeverSplitsUtf8Character() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, max);
    QFETCH(QByteArray, cut);
    QCOMPARE(wire::cutUtf8(bytes, max), cut);
}

void TestGatewayWire::floodQuota_data() {
    using V = FloodQuota::Verdict;
    QTest::addColumn<QList<int>>("sizes"); // bytes of each line, all in one burst
    QTest::addColumn<Verdicts>("verdicts");
    QTest::newRow("four short lines pass")
        << QList<int>(10, 2)
        << Verdicts{V::Pass,         V::Pass,         V::Pass,         V::Pass,
                    V::MessageQuota, V::MessageQuota, V::MessageQuota, V::MessageQuota,
                    V::MessageQuota, V::Disconnect};
    QTest::newRow("one unit per 40 bytes begun")
        << QList<int>{40, 80, 41, 1} << Verdicts{V::Pass, V::Pass, V::MessageQuota, V::Pass};
    QTest::newRow("too long alone")
        << QList<int>{161, 160} << Verdicts{V::LineLengthQuota, V::Pass};
}

void TestGatewayWire::floodQuota() {
    QFETCH(QList<int>, sizes);
    QFETCH(Verdicts, verdicts);
    FloodQuota quota;
    Verdicts got;
    for (const int size : sizes)
        got.append(quota.take(size, 1000));
    QCOMPARE(got, verdicts);
    // Once the window has passed, a line passes again.
    QCOMPARE(quota.take(1, 1000 + FloodQuota::kWindowMs), FloodQuota::Verdict::Pass);
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
