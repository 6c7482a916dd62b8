#include "common/bytes.h"
#include "net/ansicodec.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Decoding what a gateway sends: valid UTF-8 whole; everything else kept as the Windows-1252
// characters the bytes stand for. That any split decodes as the whole does, fuzz_receive checks.
class TestAnsiCodec : public QObject {
    Q_OBJECT

    static void row(const char *name, QByteArrayView bytes, const QString &text) {
        QTest::newRow(name) << bytes.toByteArray() << text;
    }

private Q_SLOTS:
    void decodes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        // Valid UTF-8 comes out whole.
        row("controls", QByteArrayView("\x00\x01\x03\x04\x1b\x7f", 6),
            QString::fromUtf16(u"\0\x01\x03\x04\x1b\x7f", 6));
        row("two-byte", "caf\xc3\xa9", u"caf\u00e9"_s);
        row("three-byte", "\xe2\x82\xac", u"\u20ac"_s);
        row("byte order mark kept", "\xef\xbb\xbfhi", u"\ufeffhi"_s);
        row("highest code point", "\xf4\x8f\xbf\xbf", u"\U0010FFFF"_s);
        // Anything else is each byte's Windows-1252 character.
        row("latin-1 e acute", "caf\xe9!", u"caf\u00e9!"_s);
        row("undefined codes stay latin-1", "\x81\x8d\x8f\x90\x9d",
            u"\u0081\u008d\u008f\u0090\u009d"_s);
        row("smart quotes", "\x93hi\x94", u"\u201chi\u201d"_s);
        row("overlong three-byte", "\xe0\x80\xaf", u"\u00e0\u20ac\u00af"_s);
        row("encoded surrogate", "\xed\xa0\x80", u"\u00ed\u00a0\u20ac"_s);
        row("past U+10FFFF", "\xf4\x90\x80\x80", u"\u00f4\u0090\u20ac\u20ac"_s);
        row("truncated then ascii", "\xe2\x82\x41", u"\u00e2\u201aA"_s);
        row("truncated at end", "ok\xf0\x9f\x98", u"ok\u00f0\u0178\u02dc"_s);
    }
    void decodes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(decodeWhole<AnsiDecoder>(bytes), text);
    }

    void longAsciiRunsAroundOtherBytesAtEveryOffset() {
        // Plain ASCII is decoded many bytes at a time: a character of more bytes, or a byte
        // kept as Windows-1252, must come out right wherever it falls in such a run, and
        // also when the run is cut just before it.
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

    void holdsAnUnfinishedCharacterUntilReset() {
        AnsiDecoder decoder;
        QCOMPARE(decoder.decode(QByteArray("caf\xe2\x82")), QStringLiteral("caf"));
        QVERIFY(decoder.hasPending());
        decoder.reset();
        QVERIFY(!decoder.hasPending());
        QCOMPARE(decoder.decode(QByteArray("\xac")), QStringLiteral("\u00ac"));
    }
};

QTEST_GUILESS_MAIN(TestAnsiCodec)
#include "tst_ansicodec.moc"
