#include "ui/main/transcriptdocument.h"

#include <QRandomGenerator>
#include <QTest>

// The transcript's text and line index without a screen: where lines break, how long lines
// are cut into pieces, and what each character looks like on screen.
class TestTranscriptDocument : public QObject {
    Q_OBJECT

private:
    static QStringList lines(const TranscriptDocument &doc) {
        QStringList result;
        for (qsizetype i = 0; i < doc.lineCount(); ++i)
            result << doc.text().mid(doc.lineStart(i), doc.lineContentEnd(i) - doc.lineStart(i));
        return result;
    }

    static QList<qsizetype> starts(const TranscriptDocument &doc) {
        QList<qsizetype> result;
        for (qsizetype i = 0; i < doc.lineCount(); ++i)
            result << doc.lineStart(i);
        return result;
    }

    // The index after any edits must be the one built from scratch over the same text.
    static void verifyIndexFresh(const TranscriptDocument &doc) {
        TranscriptDocument fresh;
        fresh.setText(doc.text());
        QCOMPARE(starts(doc), starts(fresh));
        for (qsizetype i = 0; i < doc.lineCount(); ++i) {
            QVERIFY(doc.lineEnd(i) - doc.lineStart(i) <= TranscriptDocument::maxPieceLength() + 2);
            const qsizetype start = doc.lineStart(i);
            QVERIFY2(i == 0 || start == doc.length() || !doc.text().at(start).isLowSurrogate() ||
                         !doc.text().at(doc.lineStart(i) - 1).isHighSurrogate(),
                     "piece cut inside a surrogate pair");
        }
    }

private Q_SLOTS:
    void breaksAtCrLfOnly() {
        TranscriptDocument doc;
        doc.setText(QStringLiteral("a\rb\nc\r\nd\n\r"));
        QCOMPARE(lines(doc), QStringList({QStringLiteral("a\rb\nc"), QStringLiteral("d\n\r")}));
        QVERIFY(doc.endsWithLineBreak(0));
        QVERIFY(!doc.endsWithLineBreak(1));
        QCOMPARE(doc.lineEnd(0), 7);

        doc.setText(QStringLiteral("x\r\n"));
        QCOMPARE(lines(doc), QStringList({QStringLiteral("x"), QString()}));
        QCOMPARE(doc.lineStart(1), 3);

        doc.setText(QString());
        QCOMPARE(doc.lineCount(), 1);
        QCOMPARE(doc.lineContentEnd(0), 0);
    }

    void lineEndsFoundAtEveryOffset() {
        // Line ends are looked for many units at a time: a CR LF (or a lone CR, which is no
        // break) must be found wherever it falls, in a text set at once or appended in
        // pieces.
        QString text;
        QStringList expected;
        for (int length = 0; length <= 40; ++length) {
            QString line = QString(length, u'x');
            if (length % 3 == 1)
                line.insert(length / 2, u'\r'); // a lone CR inside the line
            expected << line;
            text += line + QStringLiteral("\r\n");
        }
        expected << QString();
        TranscriptDocument doc;
        doc.setText(text);
        QCOMPARE(lines(doc), expected);
        TranscriptDocument appended;
        for (qsizetype at = 0; at < text.size(); at += 7)
            appended.append(QStringView(text).mid(at, 7));
        QCOMPARE(lines(appended), expected);
        QCOMPARE(appended.text(), text);
    }

    void lineAtPositions() {
        TranscriptDocument doc;
        doc.setText(QStringLiteral("ab\r\ncd\r\n"));
        QCOMPARE(doc.lineAt(0), 0);
        QCOMPARE(doc.lineAt(2), 0); // before CR
        QCOMPARE(doc.lineAt(3), 0); // between CR and LF
        QCOMPARE(doc.lineAt(4), 1);
        QCOMPARE(doc.lineAt(8), 2);
        QCOMPARE(doc.lineAt(100), 2);
    }

    void crLfSplitBetweenAppendsIsOneBreak() {
        TranscriptDocument doc;
        doc.append(u"Hel");
        doc.append(u"lo\r");
        QCOMPARE(doc.lineCount(), 1);
        const auto change = doc.append(u"\nnext\r");
        QCOMPARE(change.firstChangedLine, 0);
        doc.append(u"\r");
        doc.append(u"\n");
        QCOMPARE(lines(doc),
                 QStringList({QStringLiteral("Hello"), QStringLiteral("next\r"), QString()}));
        verifyIndexFresh(doc);
    }

    void megabyteLineIsCutIntoPiecesWithTextIntact() {
        // 1 MB without a line ending, in 1 KB pieces, with surrogate pairs at odd offsets
        // and no blanks, so the pieces are cut at the limit.
        QString piece;
        while (piece.size() < 1024)
            piece += QStringLiteral("abcdefg") + QChar(0xD83D) + QChar(0xDE00);
        piece.truncate(1024);
        TranscriptDocument doc;
        QString expected;
        for (int i = 0; i < 1024; ++i) {
            doc.append(piece);
            expected += piece;
        }
        QCOMPARE(doc.text(), expected);
        QVERIFY(doc.lineCount() >= expected.size() / TranscriptDocument::maxPieceLength());
        QCOMPARE(lines(doc).join(QString()), expected);
        for (qsizetype i = 0; i < doc.lineCount(); ++i)
            QVERIFY(!doc.endsWithLineBreak(i));
        verifyIndexFresh(doc);
    }

    void longLineIsCutAfterABlank() {
        QString text;
        while (text.size() < 3 * TranscriptDocument::maxPieceLength())
            text += QStringLiteral("word ");
        TranscriptDocument doc;
        doc.setText(text);
        QVERIFY(doc.lineCount() >= 3);
        for (qsizetype i = 0; i + 1 < doc.lineCount(); ++i)
            QCOMPARE(doc.text().at(doc.lineEnd(i) - 1), QChar(u' '));
    }

    // Random edits against a plain string: text and index stay what they must be.
    void randomEditsKeepTextAndIndex() {
        QRandomGenerator random(20240611);
        const QString parts[] = {
            QStringLiteral("\r\n"),      QStringLiteral("\r"),
            QStringLiteral("\n"),        QStringLiteral(" "),
            QStringLiteral("chat line"), QString(QChar(0xD83D)) + QChar(0xDE00),
            QString(QChar(0xDE00)),      QString(700, u'x'),
            QString(2100, u'y')};
        auto randomText = [&] {
            QString text;
            for (int n = random.bounded(4); n >= 0; --n)
                text += parts[random.bounded(int(std::size(parts)))];
            return text;
        };
        TranscriptDocument doc;
        QString model;
        for (int step = 0; step < 400; ++step) {
            const QString text = randomText();
            const int kind = random.bounded(4);
            if (kind == 0) {
                doc.append(text);
                model += text;
            } else {
                const qsizetype position = random.bounded(int(model.size()) + 1);
                const qsizetype count =
                    kind == 1 ? 0 : random.bounded(int(model.size() - position) + 1);
                doc.replace(position, count, text);
                model.replace(position, count, text);
            }
            if (model.size() > 40000) {
                doc.replace(0, 30000, QString());
                model.remove(0, 30000);
            }
            QCOMPARE(doc.text(), model);
            verifyIndexFresh(doc);
            if (QTest::currentTestFailed())
                return;
        }
    }

    void replaceReportsChangedLines() {
        TranscriptDocument doc;
        doc.setText(QStringLiteral("one\r\ntwo\r\nthree\r\nfour"));
        auto change = doc.replace(5, 5, QString()); // removes "two\r\n"
        QCOMPARE(change.firstChangedLine, 1);
        QCOMPARE(change.linesBefore, 4);
        QCOMPARE(change.linesAfter, 3);
        QCOMPARE(lines(doc), QStringList({QStringLiteral("one"), QStringLiteral("three"),
                                          QStringLiteral("four")}));
        change = doc.replace(4, 0, QStringLiteral("!")); // splits CR and LF
        QCOMPARE(lines(doc),
                 QStringList({QStringLiteral("one\r!\nthree"), QStringLiteral("four")}));
        change = doc.replace(100, 0, QStringLiteral("\r\n")); // clamped: appends
        QCOMPARE(doc.text(), QStringLiteral("one\r!\nthree\r\nfour\r\n"));
        QCOMPARE(doc.lineCount(), 3);
    }

    void editJustPastACutMovesTheCut() {
        // The first piece is cut after its last blank within reach of the limit; a blank
        // put in later, still within reach, moves that cut although it lies in the next piece.
        TranscriptDocument doc;
        doc.setText(QString(1900, u'a') + u' ' + QString(1000, u'b'));
        QCOMPARE(doc.lineStart(1), 1901);
        const auto change = doc.replace(2000, 0, QStringLiteral(" "));
        QCOMPARE(change.firstChangedLine, 0);
        QCOMPARE(doc.lineStart(1), 2001);
        verifyIndexFresh(doc);
    }

    void displayShowsControlsAsSymbolsOneForOne() {
        TranscriptDocument doc;
        QString text = QString::fromUtf16(u"\0\x01\t\x1b[1m\x7f\x85\x9f", 10);
        text += QChar(0x2028) + QString(QChar(0x2029)) + QChar(0x202E) + QChar(0x2066) +
                QChar(0xFEFF) + QChar(0xD800) + QStringLiteral("z") + QChar(0xDC00) +
                QChar(0xD83D) + QChar(0xDE00) + QStringLiteral("\r\n\n\rx");
        doc.setText(text);
        QCOMPARE(doc.lineCount(), 2);
        const QString shown = doc.displayText(0);
        QCOMPARE(shown.size(), doc.lineContentEnd(0));
        const QString expected = QString(QChar(0x2400)) + QChar(0x2401) + u'\t' + QChar(0x241B) +
                                 u"[1m" + QChar(0x2421) + QChar(0x2B1A) + QChar(0x2B1A) +
                                 QChar(0x21B5) + QChar(0x00B6) + QChar(0x2B1A) + QChar(0x2B1A) +
                                 QChar(0xFEFF) + QChar(0xFFFD) + u'z' + QChar(0xFFFD) +
                                 QChar(0xD83D) + QChar(0xDE00);
        QCOMPARE(shown, expected);
        QCOMPARE(doc.displayText(1), QString(QChar(0x240A)) + QChar(0x240D) + u'x');
        // The text itself is untouched.
        QCOMPARE(doc.text(), text);
    }

    void crAtTheVeryEndShowsBlankUntilItsLfArrives() {
        TranscriptDocument doc;
        doc.append(u"abc\r");
        QCOMPARE(doc.displayText(0), QStringLiteral("abc "));
        doc.append(u"\n");
        QCOMPARE(doc.displayText(0), QStringLiteral("abc"));
        doc.append(u"x\r");
        doc.append(u"y");
        QCOMPARE(doc.displayText(1), QString(u'x') + QChar(0x240D) + u'y');
    }
};

QTEST_GUILESS_MAIN(TestTranscriptDocument)
#include "tst_transcriptdocument.moc"
