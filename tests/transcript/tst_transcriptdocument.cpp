#include "transcript/transcriptdocument.h"

#include <QTest>

// The transcript's text and line index without a screen: where lines break, how long lines
// are cut into pieces, what an edit reports it changed, and what each character looks like
// on screen.
class TestTranscriptDocument : public QObject {
    Q_OBJECT

    static QList<qsizetype> starts(const TranscriptDocument &doc) {
        QList<qsizetype> result;
        for (qsizetype i = 0; i < doc.lineCount(); ++i)
            result << doc.lineStart(i);
        return result;
    }

private Q_SLOTS:
    // Only CR LF breaks a line; a line longer than a piece is cut after a blank near the limit,
    // or at the limit but never inside a surrogate pair. Set at once or appended a unit at a
    // time, the lines are the same, a CR LF split between two arrivals included.
    void linesBreakAtCrLfAndLongOnesAreCut_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<qsizetype>>("expected");
        QTest::newRow("lone CR and LF")
            << QStringLiteral("a\rb\nc\r\nd\n\r") << QList<qsizetype>{0, 7};
        QTest::newRow("break at the end") << QStringLiteral("x\r\n") << QList<qsizetype>{0, 3};
        QTest::newRow("empty") << QString() << QList<qsizetype>{0};
        QTest::newRow("CR CR LF") << QStringLiteral("a\r\r\nb") << QList<qsizetype>{0, 4};
        QTest::newRow("blank lines") << QStringLiteral("\r\n\r\n") << QList<qsizetype>{0, 2, 4};
        QTest::newRow("CR LF after a full piece")
            << QString(2048, u'x') + QStringLiteral("\r\ny") << QList<qsizetype>{0, 2050};
        QTest::newRow("cut after a blank")
            << QString(1900, u'a') + u' ' + QString(1000, u'b') << QList<qsizetype>{0, 1901};
        QTest::newRow("cut before a pair at the limit")
            << QString(2047, u'x') + QStringLiteral("\U0001F600y") << QList<qsizetype>{0, 2047};
    }
    void linesBreakAtCrLfAndLongOnesAreCut() {
        QFETCH(QString, text);
        QFETCH(QList<qsizetype>, expected);
        TranscriptDocument doc;
        doc.setText(text);
        QCOMPARE(starts(doc), expected);
        TranscriptDocument appended;
        for (QChar c : text)
            appended.append(QStringView(&c, 1));
        QCOMPARE(starts(appended), expected);
    }

    // An edit reports the first line whose start or end it changed: the lines before it are
    // as they were (the view keeps their layouts), and the index is the one built afresh.
    void editsReportTheFirstChangedLine_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("inserted");
        const QString lines = QStringLiteral("one\r\ntwo\r\nthree\r\nfour");
        QTest::newRow("line breaks taken out") << lines << 3 << 7 << QString();
        QTest::newRow("between CR and LF") << lines << 9 << 0 << QStringLiteral("x");
        QTest::newRow("LF appended to a CR") << QStringLiteral("a\r\nb\r") << 5 << 0 << "\n";
        // The blank is within reach of the first cut, which moves after it.
        QTest::newRow("a cut moved by a later blank")
            << QString(1900, u'a') + u' ' + QString(1000, u'b') << 2000 << 0 << " ";
    }
    void editsReportTheFirstChangedLine() {
        QFETCH(QString, text);
        QFETCH(int, position);
        QFETCH(int, count);
        QFETCH(QString, inserted);
        TranscriptDocument doc;
        doc.setText(text);
        const QList<qsizetype> before = starts(doc);
        const auto change = doc.replace(position, count, inserted);
        const qsizetype first = change.firstChangedLine;
        QVERIFY(doc.lineStart(first) <= position);
        QCOMPARE(starts(doc).first(first + 1), before.first(first + 1));
        QCOMPARE(change.linesBefore, before.size());
        QCOMPARE(change.linesAfter, doc.lineCount());
        TranscriptDocument fresh;
        fresh.setText(text.replace(position, count, inserted));
        QCOMPARE(starts(doc), starts(fresh));
    }

    // Controls, bidi and line separators and lone surrogate halves show as visible symbols,
    // one for one; the text itself is untouched. A CR at the very end shows blank until its
    // LF arrives.
    void displayShowsTroublemakersAsSymbols() {
        // A C++ string takes lone surrogate halves only as hex escapes.
        const QString text = QString::fromUtf16(
            u"\0\x01\t\x1b[1m\x7f\x85\x9f\x2028\x2029\x202E\x2066\xD800z\xDC00\xD83D\xDE00\n", 20);
        TranscriptDocument doc;
        doc.setText(text);
        const QString shown = doc.displayText(0);
        for (char32_t c : QStringView(shown).toUcs4())
            QVERIFY2(c == u'\t' || (QChar::isPrint(c) && !QChar::isSpace(c)),
                     qPrintable(QString::number(c, 16)));
        QCOMPARE(shown.mid(14, 5), QStringLiteral("\uFFFDz\uFFFD\U0001F600"));
        doc.setText(QStringLiteral("abc\r"));
        QCOMPARE(doc.displayText(0), QStringLiteral("abc "));
        doc.append(u"x");
        QCOMPARE(doc.displayText(0), QStringLiteral("abc\u240Dx"));
    }
};

QTEST_GUILESS_MAIN(TestTranscriptDocument)
#include "tst_transcriptdocument.moc"
