#include "ui/main/transcriptview.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

// The transcript widget as the program and the user drive it.
class TestTranscriptView : public QObject {
    Q_OBJECT

    std::unique_ptr<TranscriptView> view;

    static QString chatLines(int count) {
        return QStringLiteral("<user> this is a line of chat\r\n").repeated(count);
    }
    QPoint pointOf(qsizetype position) {
        const QRect rect = view->positionRect(position);
        return QPoint(rect.x(), rect.center().y());
    }
    void press(const QString &keys) {
        const QKeyCombination key = QKeySequence::fromString(keys)[0];
        QVERIFY2(key.key() != Qt::Key(0), qPrintable(keys));
        QTest::keyClick(view.get(), key.key(), key.keyboardModifiers());
    }

private Q_SLOTS:
    void init() {
        view = std::make_unique<TranscriptView>();
        view->resize(400, 200);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    }
    void cleanup() { view.reset(); }

    // An append lays its line out anew and leaves the selection as it was, unannounced.
    void appendKeepsTheSelection() {
        view->setText(QStringLiteral("ab\r\nc"));
        const int x = view->positionRect(5).x();
        view->select(1, 4);
        QSignalSpy changed(view.get(), &TranscriptView::selectionChanged);
        view->appendText(u"d\r\n");
        QVERIFY(view->positionRect(6).x() > x);
        QCOMPARE(view->selectionStart(), 1);
        QCOMPARE(view->selectionLength(), 3);
        QCOMPARE(changed.count(), 0);
    }

    // The caret at the end keeps the newest text on screen, even a line taller than the view;
    // the wheel scrolls back without moving the caret.
    void caretAtTheEndFollowsArrivals() {
        QScrollBar *bar = view->verticalScrollBar();
        view->appendText(chatLines(1000));
        view->setSelectionStart(view->length());
        QTRY_COMPARE(bar->value(), bar->maximum());
        QWheelEvent up(QPointF(50, 50), view->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
                       QPoint(0, 240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &up);
        QVERIFY(bar->value() < bar->maximum());
        QCOMPARE(view->selectionStart(), view->length());
        view->appendText(QStringLiteral("last ").repeated(1200));
        view->setSelectionStart(view->length());
        QTRY_COMPARE(bar->value(), bar->maximum());
        QVERIFY(view->viewport()->rect().contains(view->positionRect(view->length())));
    }

    // Scrolled back, arrivals leave the view where it is and draw nothing; PgDown scrolls.
    void scrolledBackArrivalsDrawNothing() {
        QScrollBar *bar = view->verticalScrollBar();
        view->setText(chatLines(1000));
        view->setSelectionStart(0);
        QTRY_COMPARE(bar->value(), 0);
        const QImage before = view->viewport()->grab().toImage();
        const int maximum = bar->maximum();
        view->appendText(chatLines(50));
        QTRY_VERIFY(bar->maximum() > maximum);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(view->viewport()->grab().toImage(), before);
        press("PgDown");
        QTRY_VERIFY(bar->value() > 3);
        QVERIFY(!view->positionRect(view->selectionStart()).isEmpty());
    }

    void mouseSelects() {
        view->setText(QStringLiteral("hello world\r\nsecond line\r\nhi a\U00010330b!"));
        view->clearFocus();
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, pointOf(2));
        QVERIFY(view->hasFocus());
        QTest::mouseMove(view->viewport(), pointOf(9));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, pointOf(9));
        QCOMPARE(view->selectedText(), QStringLiteral("llo wor"));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, pointOf(15));
        QCOMPARE(view->selectedText(), QStringLiteral("llo world\r\nse"));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, pointOf(30));
        QCOMPARE(view->selectedText(), QStringLiteral("a\U00010330b"));

        // Dragging past the bottom edge scrolls while the button stays down.
        view->setText(chatLines(200));
        const QPoint below(10, view->viewport()->height() + 20);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, pointOf(0));
        QTest::mouseMove(view->viewport(), below);
        QTRY_VERIFY(view->verticalScrollBar()->value() >= 3);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, below);
        QVERIFY(view->selectionLength() > 3 * 40);
    }

    // Keys step over grapheme clusters, CR LF and words, rows and lines. A selection is
    // (anchor, caret) before the key, (caret, length) after it.
    void keysMoveAndSelect_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QPoint>("before");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QPoint>("after");
        const QString lines = QStringLiteral("abc\r\ndef\r\n\U0001F600g");
        int row = 0;
        auto add = [&](const char *keys, QPoint before, QPoint after,
                       const QString &text = QString()) {
            QTest::addRow("%d %s", ++row, keys)
                << (text.isNull() ? lines : text) << before << keys << after;
        };
        add("Shift+End", {0, 1}, {3, 3});
        add("Right", {0, 2}, {2, 0}); // collapses a selection
        add("Right", {3, 3}, {5, 0}); // over CR LF
        add("Left", {5, 5}, {3, 0});
        add("Shift+Down", {5, 5}, {10, 5});
        add("Up", {10, 10}, {5, 0});
        add("Right", {10, 10}, {12, 0}); // over a surrogate pair
        add("Home", {12, 12}, {10, 0});
        add("Ctrl+Shift+Home", {5, 5}, {0, 5});
        add("Ctrl+End", {0, 0}, {13, 0});
        add("Right", {0, 0}, {2, 0}, QStringLiteral("e\u0301x")); // over a combining mark
        add("Left", {2, 2}, {0, 0}, QStringLiteral("e\u0301x"));
        add("Ctrl+Right", {0, 0}, {5, 0}, QStringLiteral("a\U00010330b c")); // astral letters
        add("Ctrl+Left", {6, 6}, {5, 0}, QStringLiteral("a\U00010330b c"));
        add("Ctrl+Right", {0, 0}, {5, 0}, QStringLiteral("ab\r\n cd"));
    }
    void keysMoveAndSelect() {
        QFETCH(QString, text);
        QFETCH(QPoint, before);
        QFETCH(QString, keys);
        QFETCH(QPoint, after);
        view->setText(text);
        view->setFocus();
        view->select(before.x(), before.y());
        press(keys);
        QCOMPARE(QPoint(view->cursorPosition(), view->selectionLength()), after);
    }

    // The context menu offers Copy (off without a selection) and Select All; Copy puts plain
    // text on the clipboard; no key, paste or middle click changes the text.
    void copiesButNeverChangesTheText() {
        const QString text = QString::fromUtf16(u"a\0b\rc<i>x</i>\r\nline", 19);
        view->setText(text);
        view->setFocus();
        QStringList enabled; // looked for until the menu shows, then closed: no hang
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                for (QAction *action : menu->actions())
                    enabled << action->objectName() + (action->isEnabled() ? u"+" : u"-");
                menu->actions().last()->trigger();
                menu->close();
            }
        });
        poll.start(10);
        QContextMenuEvent event(QContextMenuEvent::Mouse, pointOf(2),
                                view->viewport()->mapToGlobal(pointOf(2)));
        QApplication::sendEvent(view->viewport(), &event);
        QCOMPARE(enabled, QStringList({"copyAction-", "selectAllAction+"}));
        QClipboard *clipboard = QGuiApplication::clipboard();
        for (const char *keys : {"Ctrl+C", "Ctrl+Ins"}) {
            clipboard->clear();
            press(keys);
            QCOMPARE(clipboard->text(), text);
            QVERIFY(!clipboard->mimeData()->hasHtml());
        }
        clipboard->setText(QStringLiteral("pasted"));
        QTest::keyClicks(view.get(), QStringLiteral("typed"));
        for (const char *keys : {"Backspace", "Del", "Return", "Tab", "Ctrl+V", "Ctrl+X", "Ctrl+Z",
                                 "Shift+Ins", "Shift+Del"})
            press(keys);
        QTest::mouseClick(view->viewport(), Qt::MiddleButton, {}, pointOf(2));
        QCOMPARE(view->text(), text);
        QCOMPARE(clipboard->text(), QStringLiteral("pasted"));
    }

    // A screen reader sees a read-only multi-line text with the whole text interface; its
    // line is the row on screen, the last row of a line taking the line break.
    void accessibleAsReadOnlyTranscript() {
        const QString words = QStringLiteral("word ").repeated(60);
        view->setText(words + QStringLiteral("\r\nnext"));
        view->select(3, 7);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(view.get());
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Chat transcript"));
        QVERIFY(iface->role() == QAccessible::EditableText && iface->state().readOnly);
        QAccessibleTextInterface *text = iface->textInterface();
        QCOMPARE(text->text(0, text->characterCount()), view->text());
        int start = -1, end = -1;
        text->selection(0, &start, &end);
        QCOMPARE(QPoint(start, end), QPoint(3, text->cursorPosition()));
        QCOMPARE(text->textAtOffset(2, QAccessible::WordBoundary, &start, &end), "word");
        text->textAtOffset(0, QAccessible::LineBoundary, &start, &end);
        QVERIFY(start == 0 && end > 0 && end < words.size());
        QCOMPARE(view->positionRect(end).top(), view->positionRect(0).bottom() + 1);
        const int last = int(words.size()) - 1;
        const QString lastRow = text->textAtOffset(last, QAccessible::LineBoundary, &start, &end);
        QCOMPARE(text->textAfterOffset(last, QAccessible::LineBoundary, &start, &end), "next");
        QCOMPARE(text->textBeforeOffset(last + 3, QAccessible::LineBoundary, &start, &end),
                 lastRow);
    }
};

QTEST_MAIN(TestTranscriptView)
#include "tst_transcriptview.moc"
