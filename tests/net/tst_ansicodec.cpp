#include "common/bytes.h"
#include "net/ansicodec.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Text on the wire in the system's code page: UTF-8 on Linux, the ANSI code page under Windows
// (under Wine, the one of the locale the test runs in). Each row holds in the code page it
// names, or in all of them (0), and skips elsewhere. That any split of UTF-8 decodes as the
// whole does, fuzz_receive checks; the double-byte code pages are split here.
#define SKIP_UNLESS_CODE_PAGE(codePage)                                                            \
    do {                                                                                           \
        if ((codePage) != 0 && (codePage) != ansiCodePage())                                       \
            QSKIP(qPrintable(u"holds in code page %1; the system's is %2"_s.arg(codePage).arg(     \
                ansiCodePage())));                                                                 \
    } while (false)

class TestAnsiCodec : public QObject {
    Q_OBJECT

    static void row(const char *name, uint codePage, QByteArrayView bytes, const QString &text,
                    int unencodable = 0) {
        QTest::newRow(name) << codePage << bytes.toByteArray() << text << unencodable;
    }
    static void columns() {
        QTest::addColumn<uint>("codePage");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("unencodable");
    }

private Q_SLOTS:
    // A run meant for one code page must not pass quietly in another (a locale that is missing
    // leaves Wine in its default code page).
    void initTestCase() {
        if (qEnvironmentVariableIsSet("BRACKMOOR_CODE_PAGE"))
            QCOMPARE(ansiCodePage(), qEnvironmentVariable("BRACKMOOR_CODE_PAGE").toUInt());
    }

    // Typed text to bytes; where the code page carries every character, the bytes decode back.
    void encodes_data() {
        columns();
        row("logon record", 0, "\x03\x04name\r\npass\r\n", u"\x03\x04name\r\npass\r\n"_s);
        row("utf-8", 65001, "caf\xc3\xa9 \xe2\x98\xba \xf0\x9f\x98\x80",
            u"caf\u00e9 \u263a \U0001F600"_s);
        row("1252", 1252, "caf\xe9 \x80\x93hi\x94", u"caf\u00e9 \u20ac\u201chi\u201d"_s);
        row("1252 lacks cyrillic, a best fit, an emoji", 1252, "??? ? ?!",
            u"\u041f\u0440\u0438 \u0101 \U0001F600!"_s, 5);
        row("1251", 1251, "\xcf\xf0\xe8\xe2\xe5\xf2 \x88",
            u"\u041f\u0440\u0438\u0432\u0435\u0442 \u20ac"_s);
        row("1251 lacks e acute", 1251, "caf?", u"caf\u00e9"_s, 1);
        row("949", 949, "\xc7\xd1\xb1\xdb \xa2\xe6", u"\ud55c\uae00 \u20ac"_s);
        row("949 lacks e acute and an emoji", 949, "??", u"\u00e9\U0001F600"_s, 2);
        row("936", 936, "\xd6\xd0\xce\xc4 \x80", u"\u4e2d\u6587 \u20ac"_s);
        row("936 lacks hangul", 936, "a?", u"a\ud55c"_s, 1);
    }
    void encodes() {
        QFETCH(uint, codePage);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(int, unencodable);
        SKIP_UNLESS_CODE_PAGE(codePage);
        qsizetype counted = -1;
        COMPARE_BYTES(ansiEncode(text, &counted), bytes);
        QCOMPARE(counted, unencodable);
        if (unencodable == 0)
            QCOMPARE(decodeWhole<AnsiDecoder>(bytes), text);
    }

    // Bytes the code page cannot decode where they stand are each byte's Windows-1252
    // character: nothing a gateway sends is lost.
    void decodes_data() {
        columns();
        row("controls", 0, QByteArrayView("\x00\x01\x03\x04\x1b\x7f", 6),
            QString::fromUtf16(u"\0\x01\x03\x04\x1b\x7f", 6));
        row("byte order mark kept", 65001, "\xef\xbb\xbfhi", u"\ufeffhi"_s);
        row("highest code point", 65001, "\xf4\x8f\xbf\xbf", u"\U0010FFFF"_s);
        row("latin-1 e acute", 65001, "caf\xe9!", u"caf\u00e9!"_s);
        row("undefined codes stay latin-1", 65001, "\x81\x8d\x8f\x90\x9d",
            u"\u0081\u008d\u008f\u0090\u009d"_s);
        row("smart quotes", 65001, "\x93hi\x94", u"\u201chi\u201d"_s);
        row("overlong three-byte", 65001, "\xe0\x80\xaf", u"\u00e0\u20ac\u00af"_s);
        row("encoded surrogate", 65001, "\xed\xa0\x80", u"\u00ed\u00a0\u20ac"_s);
        row("past U+10FFFF", 65001, "\xf4\x90\x80\x80", u"\u00f4\u0090\u20ac\u20ac"_s);
        row("truncated then ascii", 65001, "\xe2\x82\x41", u"\u00e2\u201aA"_s);
        row("truncated at end", 65001, "ok\xf0\x9f\x98", u"ok\u00f0\u0178\u02dc"_s);
        row("1252 undefined codes", 1252, "\x81\x8d\x8f\x90\x9d",
            u"\u0081\u008d\u008f\u0090\u009d"_s);
        row("949 trail bytes it lacks, undefined bytes, a lead byte at the end", 949,
            "\xc7\x20\xc9\x41\xff\x80\xc7", u"\u00c7 \u00c9A\u00ff\u0080\u00c7"_s);
        row("936 undefined byte, a lead byte at the end", 936, "\xff\xd6\xd0\xd6",
            u"\u00ff\u4e2d\u00d6"_s);
    }
    void decodes() {
        QFETCH(uint, codePage);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        SKIP_UNLESS_CODE_PAGE(codePage);
        QCOMPARE(decodeWhole<AnsiDecoder>(bytes), text);
    }

    // Valid and broken double-byte characters, at every split point and in one-byte pieces.
    void everySplitDecodesLikeTheWhole_data() {
        columns();
        row("949", 949, "A\xc7\xd1\xb1\xdb\xc7\x20\xc9\x41\x80\xff\xa2\xe6\r\n\xc7\xd1\xc7",
            u"A\ud55c\uae00\u00c7 \u00c9A\u0080\u00ff\u20ac\r\n\ud55c\u00c7"_s);
        row("936", 936, "A\xd6\xd0\xce\xc4\xff\x80\xd6\r\n\xce\xc4\xd6",
            u"A\u4e2d\u6587\u00ff\u20ac\u00d6\r\n\u6587\u00d6"_s);
    }
    void everySplitDecodesLikeTheWhole() {
        QFETCH(uint, codePage);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        SKIP_UNLESS_CODE_PAGE(codePage);
        QCOMPARE(decodeWhole<AnsiDecoder>(bytes), text);
        for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
            AnsiDecoder decoder;
            QString out = decoder.decode(bytes.left(cut));
            decoder.decode(bytes.mid(cut), out);
            decoder.flush(out);
            QCOMPARE(out, text);
        }
        AnsiDecoder decoder;
        QString out;
        for (char byte : bytes)
            decoder.decode(QByteArrayView(&byte, 1), out);
        decoder.flush(out);
        QCOMPARE(out, text);
    }

    // A character cut off by the end of one arrival (the bytes before "|") shows whole with
    // the next; a reset drops it, so the next stream starts clean.
    void holdsAnUnfinishedCharacter_data() {
        columns();
        row("utf-8", 65001, "caf\xe2\x82|\xac!", u"\u20ac!"_s);
        row("949", 949, "caf\xc7|\xd1!", u"\ud55c!"_s);
        row("936", 936, "caf\xd6|\xd0!", u"\u4e2d!"_s);
    }
    void holdsAnUnfinishedCharacter() {
        QFETCH(uint, codePage);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        SKIP_UNLESS_CODE_PAGE(codePage);
        const QByteArray first = bytes.left(bytes.indexOf('|'));
        AnsiDecoder decoder;
        QCOMPARE(decoder.decode(first), u"caf"_s);
        QVERIFY(decoder.hasPending());
        QCOMPARE(decoder.decode(bytes.mid(first.size() + 1)), text);
        QCOMPARE(decoder.decode(first), u"caf"_s);
        decoder.reset();
        QVERIFY(!decoder.hasPending());
        QCOMPARE(decoder.decode(QByteArray("!")), u"!"_s);
    }

    void longAsciiRunsAroundOtherBytesAtEveryOffset() {
        // UTF-8 decodes plain ASCII many bytes at a time: a character of more bytes, or a byte
        // kept as Windows-1252, must come out right wherever it falls in such a run, and also
        // when the run is cut just before it.
        SKIP_UNLESS_CODE_PAGE(65001u);
        const QByteArray ascii("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
        for (int offset = 0; offset <= 40; ++offset) {
            const QByteArray bytes =
                ascii.left(offset) + "\xc3\xa9" + ascii.mid(offset, 40) + "\x80" + ascii.right(17);
            const QString text = QLatin1StringView(ascii.left(offset)) + u'\u00e9' +
                                 QLatin1StringView(ascii.mid(offset, 40)) + u'\u20ac' +
                                 QLatin1StringView(ascii.right(17));
            QCOMPARE(decodeWhole<AnsiDecoder>(bytes), text);
            AnsiDecoder decoder;
            QString out = decoder.decode(bytes.left(offset + 1));
            decoder.decode(bytes.mid(offset + 1), out);
            QCOMPARE(out, text);
        }
    }
};

QTEST_GUILESS_MAIN(TestAnsiCodec)
#include "tst_ansicodec.moc"
