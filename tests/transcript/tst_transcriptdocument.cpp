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

    // Lone surrogate halves show as U+FFFD, a pair as it is (controls, separators and bidi
    // controls from a gateway, tst_robustness checks as drawn). A CR at the very end shows blank
    // until its LF arrives.
    void displayShowsTroublemakersAsSymbols() {
        TranscriptDocument doc;
        doc.setText(QString::fromUtf16(u"\xD800z\xDC00\xD83D\xDE00", 5)); // escapes: lone halves
        QCOMPARE(doc.displayText(0), QStringLiteral("\uFFFDz\uFFFD\U0001F600"));
        doc.setText(QStringLiteral("abc\r"));
        QCOMPARE(doc.displayText(0), QStringLiteral("abc "));
        doc.append(u"x");
        QCOMPARE(doc.displayText(0), QStringLiteral("abc\u240Dx"));
    }
};

QTEST_GUILESS_MAIN(TestTranscriptDocument)
#include "tst_transcriptdocument.moc"
