#include "ui/main/transcriptdocument.h"

#include <QRandomGenerator>
#include <QTest>

// The transcript's text and line index without a screen: where lines break, how long lines
// are cut into pieces, and what each character looks like on screen.
class TestTranscriptDocument : public QObject {
    Q_OBJECT

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

    // The index after any edits must be the one built from scratch over the same text, with
    // no piece longer than the limit and none cut inside a surrogate pair.
    static void verifyIndexFresh(const TranscriptDocument &doc) {
        TranscriptDocument fresh;
        fresh.setText(doc.text());
        QCOMPARE(starts(doc), starts(fresh));
        for (qsizetype i = 0; i < doc.lineCount(); ++i) {
            const qsizetype start = doc.lineStart(i);
            QVERIFY(doc.lineEnd(i) - start <= TranscriptDocument::maxPieceLength() + 2);
            QVERIFY(i == 0 || start == doc.length() || !doc.text().at(start).isLowSurrogate() ||
                    !doc.text().at(start - 1).isHighSurrogate());
        }
    }

private Q_SLOTS:
    // Only CR LF breaks a line; set at once or appended a unit at a time, the lines are the
    // same, a CR LF split between two arrivals included.
    void breaksAtCrLfOnly_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("lone CR and LF") << QStringLiteral("a\rb\nc\r\nd\n\r")
                                        << QStringList{QStringLiteral("a\rb\nc"), "d\n\r"};
        QTest::newRow("break at the end") << QStringLiteral("x\r\n") << QStringList{"x", ""};
        QTest::newRow("empty") << QString() << QStringList{""};
        QTest::newRow("CR CR LF") << QStringLiteral("a\r\r\nb") << QStringList{"a\r", "b"};
        QTest::newRow("CR LF after a full piece") << QString(2048, u'x') + QStringLiteral("\r\ny")
                                                  << QStringList{QString(2048, u'x'), "y"};
        QTest::newRow("blank lines") << QStringLiteral("\r\n\r\n") << QStringList{"", "", ""};
    }
    void breaksAtCrLfOnly() {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        TranscriptDocument doc;
        doc.setText(text);
        QCOMPARE(lines(doc), expected);
        TranscriptDocument appended;
        for (QChar c : text)
            appended.append(QStringView(&c, 1));
        QCOMPARE(appended.text(), text);
        QCOMPARE(lines(appended), expected);
        for (qsizetype i = 0; i < doc.lineCount(); ++i) {
            QCOMPARE(doc.endsWithLineBreak(i), i + 1 < doc.lineCount());
            QCOMPARE(doc.lineAt(doc.lineEnd(i) - (i + 1 < doc.lineCount())), i);
        }
        QCOMPARE(doc.lineAt(text.size() + 5), doc.lineCount() - 1);
    }

    // A megabyte without a line ending is cut into pieces at the limit, never inside a
    // surrogate pair; a long line with blanks is cut after a blank.
    void longLinesAreCutIntoPieces() {
        const QString piece = QStringLiteral("abcdefg\U0001F600").repeated(114).left(1024);
        TranscriptDocument doc;
        for (int i = 0; i < 1024; ++i)
            doc.append(piece);
        QCOMPARE(doc.text(), piece.repeated(1024));
        QVERIFY(doc.lineCount() >= doc.length() / TranscriptDocument::maxPieceLength());
        verifyIndexFresh(doc);

        doc.setText(QStringLiteral("word ").repeated(3 * TranscriptDocument::maxPieceLength() / 5));
        QVERIFY(doc.lineCount() >= 3);
        for (qsizetype i = 0; i + 1 < doc.lineCount(); ++i)
            QCOMPARE(doc.text().at(doc.lineEnd(i) - 1), QChar(u' '));
        doc.setText(QString(2047, u'x') + QStringLiteral("\U0001F600") + QString(9, u'x'));
        QCOMPARE(doc.lineStart(1), 2047); // not inside the pair
        // A blank put in later, still within reach of the first cut, moves it.
        doc.setText(QString(1900, u'a') + u' ' + QString(1000, u'b'));
        QCOMPARE(doc.lineStart(1), 1901);
        QCOMPARE(doc.replace(2000, 0, QStringLiteral(" ")).firstChangedLine, 0);
        QCOMPARE(doc.lineStart(1), 2001);
    }

    // Random edits against a plain string: text and index stay what they must be, and lines
    // before the first one an edit reports as changed are as they were.
    void randomEditsKeepTextAndIndex() {
        QRandomGenerator random(20240611);
        const QString parts[] = {QStringLiteral("\r\n"), QStringLiteral("\r"),
                                 QStringLiteral("\n"),   QStringLiteral(" chat"),
                                 QChar(0xDE00),          QString(QChar(0xD83D)) + QChar(0xDE00),
                                 QString(700, u'x'),     QString(2100, u'y')};
        TranscriptDocument doc;
        QString model;
        for (int step = 0; step < 400 && !QTest::currentTestFailed(); ++step) {
            QString text;
            for (int n = random.bounded(4); n >= 0; --n)
                text += parts[random.bounded(int(std::size(parts)))];
            const int kind = random.bounded(3); // append, insert or replace
            const qsizetype position = kind ? random.bounded(int(model.size()) + 1) : model.size();
            const qsizetype count =
                kind == 2 ? random.bounded(int(model.size() - position) + 1) : 0;
            const QList<qsizetype> before = starts(doc);
            const auto change = kind ? doc.replace(position, count, text) : doc.append(text);
            model.replace(position, count, text);
            QCOMPARE(starts(doc).first(change.firstChangedLine),
                     before.first(change.firstChangedLine));
            QCOMPARE(change.linesBefore, before.size());
            QCOMPARE(change.linesAfter, doc.lineCount());
            if (model.size() > 40000) {
                doc.replace(0, 30000, QString());
                model.remove(0, 30000);
            }
            QCOMPARE(doc.text(), model);
            verifyIndexFresh(doc);
        }
    }

    // Controls, bidi and line separators and lone surrogate halves show as visible symbols,
    // one for one; the text itself is untouched. A CR at the very end shows blank until its
    // LF arrives.
    void displayShowsTroublemakersAsSymbols() {
        QString text = QString::fromUtf16(u"\0\x01\t\x1b[1m\x7f\x85\x9f", 10) + QChar(0x2028) +
                       QChar(0x2029) + QChar(0x202E) + QChar(0x2066) + QChar(0xD800) + u'z' +
                       QChar(0xDC00) + QChar(0xD83D) + QChar(0xDE00) + u'\n';
        TranscriptDocument doc;
        doc.setText(text);
        const QString shown = doc.displayText(0);
        QCOMPARE(shown.size(), text.size());
        for (char32_t c : QStringView(shown).toUcs4())
            QVERIFY2(c == u'\t' || (QChar::isPrint(c) && !QChar::isSpace(c)),
                     qPrintable(QString::number(c, 16)));
        QCOMPARE(shown.mid(14, 5), QStringLiteral("\uFFFDz\uFFFD\U0001F600"));
        QCOMPARE(doc.text(), text);
        doc.setText(QStringLiteral("abc\r"));
        QCOMPARE(doc.displayText(0), QStringLiteral("abc "));
        doc.append(u"x");
        QCOMPARE(doc.displayText(0), QStringLiteral("abc\u240Dx"));
    }
};

QTEST_GUILESS_MAIN(TestTranscriptDocument)
#include "tst_transcriptdocument.moc"
