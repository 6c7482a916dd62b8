#include "net/ansicodec.h"

#include <QTest>

// Decoding what a gateway sends: valid UTF-8 whole, however it is split; everything else kept
// as the Windows-1252 characters the bytes stand for.
class TestAnsiCodec : public QObject {
    Q_OBJECT

private:
    static QString decodeWhole(const QByteArray &bytes) {
        AnsiDecoder decoder;
        QString out = decoder.decode(bytes);
        decoder.flush(out);
        return out;
    }

private Q_SLOTS:
    void decodes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        // Valid UTF-8 comes out whole.
        QTest::newRow("controls") << QByteArray("\x00\x01\x03\x04\x1b\x7f", 6)
                                  << QString::fromUtf16(u"\u0000\u0001\u0003\u0004\u001b\u007f", 6);
        QTest::newRow("two-byte") << QByteArray("caf\xc3\xa9") << QStringLiteral("caf\u00e9");
        QTest::newRow("three-byte") << QByteArray("\xe2\x82\xac") << QStringLiteral("\u20ac");
        QTest::newRow("byte order mark kept")
            << QByteArray("\xef\xbb\xbfhi") << QStringLiteral("\ufeffhi");
        QTest::newRow("highest code point")
            << QByteArray("\xf4\x8f\xbf\xbf") << QString::fromUtf16(u"\U0010FFFF");
        // Anything else is each byte's Windows-1252 character.
        QTest::newRow("latin-1 e acute") << QByteArray("caf\xe9!") << QStringLiteral("caf\u00e9!");
        QTest::newRow("undefined codes stay latin-1")
            << QByteArray("\x81\x8d\x8f\x90\x9d")
            << QStringLiteral("\u0081\u008d\u008f\u0090\u009d");
        QTest::newRow("smart quotes")
            << QByteArray("\x93hi\x94") << QStringLiteral("\u201chi\u201d");
        QTest::newRow("overlong three-byte")
            << QByteArray("\xe0\x80\xaf") << QStringLiteral("\u00e0\u20ac\u00af");
        QTest::newRow("encoded surrogate")
            << QByteArray("\xed\xa0\x80") << QStringLiteral("\u00ed\u00a0\u20ac");
        QTest::newRow("past U+10FFFF")
            << QByteArray("\xf4\x90\x80\x80") << QStringLiteral("\u00f4\u0090\u20ac\u20ac");
        QTest::newRow("truncated then ascii")
            << QByteArray("\xe2\x82\x41") << QStringLiteral("\u00e2\u201aA");
        QTest::newRow("truncated at end")
            << QByteArray("ok\xf0\x9f\x98") << QStringLiteral("ok\u00f0\u0178\u02dc");
    }
    void decodes() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(decodeWhole(bytes), text);
    }

    void everySplitDecodesLikeTheWhole() {
        // Valid and broken sequences, at every split point and in one-byte pieces.
        const QByteArray bytes("A\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\xe2\x82"
                               "B\xc0\xaf\xed\xa0\x80"
                               "\xf4\x90\x80\x80\x80\xef\xbb\xbf\xe2\r\n\xf0\x9f");
        const QString whole = decodeWhole(bytes);
        for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
            AnsiDecoder decoder;
            QString out = decoder.decode(bytes.left(cut));
            decoder.decode(bytes.mid(cut), out);
            decoder.flush(out);
            QCOMPARE(out, whole);
        }
        AnsiDecoder decoder;
        QString out;
        for (char byte : bytes)
            decoder.decode(QByteArrayView(&byte, 1), out);
        decoder.flush(out);
        QCOMPARE(out, whole);
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
            QCOMPARE(decodeWhole(bytes), text);
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
