#include "transcript/transcriptdocument.h"
#include "ui/main/transcriptlayout.h"

#include <QFontMetricsF>
#include <QTest>
#include <QTextLayout>

#include <cmath>

using Row = TranscriptLayout::Row;
Q_DECLARE_METATYPE(Row)

// Rows, wrapping and the position/point mapping of a transcript, without a widget.
class TestTranscriptLayout : public QObject {
    Q_OBJECT

    TranscriptDocument doc;
    TranscriptLayout layout{doc};

    // New text, with the old layouts forgotten as the view has them forgotten after an edit.
    void setText(const QString &text) {
        doc.setText(text);
        layout.invalidateFrom(0);
    }

    // A width that holds exactly `count` x's in a row.
    int widthOfXs(int count) const {
        return int(std::ceil(QFontMetricsF(layout.font()).horizontalAdvance(QString(count, u'x'))));
    }

private Q_SLOTS:
    // Rows follow one another without gap or overlap, none wider than the width; the last row
    // of a line takes its line break, and End keeps the caret on its row.
    void rowsCoverTheTextInOrder() {
        setText(QStringLiteral("word ").repeated(40) + QStringLiteral("\r\n") + QString(300, u'x') +
                QStringLiteral("\r\nend"));
        layout.setWidth(200);
        qsizetype next = 0;
        int rows = 0;
        for (Row row;; row = layout.advance(row, 1), ++rows) {
            qsizetype start, end;
            layout.rowBounds(next, &start, &end);
            QCOMPARE(start, next);
            QCOMPARE(layout.rowOf(start), row);
            if (row.line == 0) // broken at blanks
                QCOMPARE(layout.rowOf(layout.rowEdge(start, true)), row);
            QCOMPARE(layout.rowEdge(end - 1, false), start);
            QVERIFY(layout.layoutFor(row.line)->lineAt(row.row).naturalTextWidth() <= 200);
            next = end;
            if (row == layout.lastRow())
                break;
        }
        QVERIFY(next == doc.length() && rows > 10);
        const int wide = layout.rowsOf(0);
        layout.setWidth(100);
        QVERIFY(layout.rowsOf(0) > wide);
    }

    void advanceStepsOverRowsAndStopsAtTheEnds_data() {
        QTest::addColumn<Row>("from");
        QTest::addColumn<int>("rows");
        QTest::addColumn<Row>("to");
        // Lines of 1, 3 and 1 rows.
        QTest::newRow("within a line") << Row{1, 0} << 2 << Row{1, 2};
        QTest::newRow("into the next line") << Row{0, 0} << 2 << Row{1, 1};
        QTest::newRow("up into a line") << Row{2, 0} << -2 << Row{1, 1};
        QTest::newRow("stops at the end") << Row{1, 1} << 10 << Row{2, 0};
        QTest::newRow("stops at the start") << Row{1, 2} << -10 << Row{0, 0};
        QTest::newRow("clamps a row past its line") << Row{0, 5} << 0 << Row{0, 0};
    }
    void advanceStepsOverRowsAndStopsAtTheEnds() {
        QFETCH(Row, from);
        QFETCH(int, rows);
        QFETCH(Row, to);
        setText(QStringLiteral("a\r\n") + QString(25, u'x') + QStringLiteral("\r\nb"));
        layout.setWidth(widthOfXs(10));
        QCOMPARE(layout.rowsOf(1), 3);
        QCOMPARE(layout.advance(from, rows), to);
    }

    // Every caret position maps to a point of the frame and back; points past a row's end
    // or below the text go to the nearest caret position.
    void pointsAndPositionsRoundTrip() {
        setText(QStringLiteral("chat line with words\r\n") + QString(30, u'x') +
                QStringLiteral("\r\n\r\nlast"));
        layout.setWidth(widthOfXs(12));
        layout.layOut(Row{}, 1000);
        const int half = layout.rowHeight() / 2;
        for (qsizetype p = 0; p <= doc.length(); ++p) {
            if (p > 0 && doc.text().at(p - 1) == u'\r')
                continue; // between CR and LF is no caret position
            const QRect rect = layout.positionRect(p);
            QVERIFY(!rect.isEmpty());
            QCOMPARE(layout.positionAt(rect.topLeft() + QPoint(0, half)), p);
        }
        QCOMPARE(layout.rowOf(layout.positionAt(QPoint(5000, half))), Row{});
        // Past the end of a line's last row is the line's end, before its CR LF.
        QCOMPARE(layout.positionAt(QPoint(5000, layout.positionRect(20).y() + half)), 20);
        QCOMPARE(layout.positionAt(QPoint(5000, 900)), doc.length());
        QCOMPARE(layout.shownTo(), doc.length());
    }

    // A frame that starts inside a wrapped line shows no row above its top row.
    void frameStartsAtItsTopRow() {
        setText(QString(50, u'x') + QStringLiteral("\r\nnext"));
        layout.setWidth(widthOfXs(10));
        layout.layOut(Row{0, 2}, 2 * layout.rowHeight());
        QVERIFY(layout.positionRect(0).isEmpty());
        QCOMPARE(layout.positionRect(20).topLeft(), QPoint(0, 0));
        QCOMPARE(layout.positionAt(QPoint(0, 0)), 20);
        QCOMPARE(layout.positionRect(30).y(), layout.rowHeight());
        QVERIFY(layout.positionRect(40).isEmpty());
        QCOMPARE(layout.shownLastLine(), 0);
    }
};

QTEST_MAIN(TestTranscriptLayout)
#include "tst_transcriptlayout.moc"
