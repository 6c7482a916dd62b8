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

// The transcript widget as the program and the user drive it: its text interface, scrolling
// to the newest text, mouse and keyboard selection, copying, the user's inability to change
// the text, and what a screen reader is told.
class TestTranscriptView : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TranscriptView> view;

    static QString chatLines(int count, int from = 0) {
        QString text;
        for (int i = from; i < from + count; ++i)
            text += QStringLiteral("<user%1> this is chat line number %1\r\n").arg(i);
        return text;
    }

    QPoint pointOf(qsizetype position) {
        const QRect rect = view->positionRect(position);
        return QPoint(rect.x(), rect.center().y());
    }

    // Paints of the viewport, counted to see that changes are drawn once a frame.
    class PaintCounter : public QObject {
    public:
        int paints = 0;
        bool eventFilter(QObject *, QEvent *event) override {
            if (event->type() == QEvent::Paint)
                ++paints;
            return false;
        }
    };

private Q_SLOTS:
    void init() {
        view = std::make_unique<TranscriptView>();
        view->resize(400, 200);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    }

    void cleanup() { view.reset(); }

    void textInterfaceKeepsEveryCharacter() {
        QCOMPARE(view->focusPolicy(), Qt::ClickFocus);
        QCOMPARE(view->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(view->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

        const QString odd = QString::fromUtf16(u"\0a\rb\nc\r\n\x1b[0m\x7f\x85\t", 15) +
                            QChar(0xFEFF) + QChar(0xD800) + QChar(0x2028) + QChar(0x202E) +
                            QStringLiteral("<b>&amp;</b>");
        view->setText(odd.left(5));
        view->appendText(QStringView(odd).mid(5));
        QCOMPARE(view->text(), odd);
        QCOMPARE(view->length(), odd.size());

        view->setText(QStringLiteral("ab\r\ncd"));
        QCOMPARE(view->length(), 6); // CR LF counts two
        view->setSelectionStart(3);
        view->setSelectionLength(2);
        QCOMPARE(view->selectedText(), QStringLiteral("\nc"));
        view->setSelectionStart(100);
        QCOMPARE(view->selectionStart(), 6);
        QCOMPARE(view->selectionLength(), 0);
        view->setSelectionStart(-4);
        QCOMPARE(view->selectionStart(), 0);
        view->setSelectionLength(100);
        QCOMPARE(view->selectionLength(), 6);
        view->setSelectionStart(4);
        view->setSelectionLength(-1);
        QCOMPARE(view->selectionLength(), 0);

        view->setSelectionLength(2);
        view->setText(QStringLiteral("new"));
        QCOMPARE(view->selectionStart(), 0);
        QCOMPARE(view->selectionLength(), 0);
        view->setText(QString());
        QCOMPARE(view->length(), 0);
        QCOMPARE(view->selectedText(), QString());
    }

    void appendLeavesTheSelection() {
        view->setText(QStringLiteral("Hel"));
        view->setSelectionStart(1);
        view->setSelectionLength(2);
        QSignalSpy changed(view.get(), &TranscriptView::selectionChanged);
        view->appendText(u"lo\r");
        view->appendText(u"\n");
        QCOMPARE(view->text(), QStringLiteral("Hello\r\n"));
        QCOMPARE(view->selectionStart(), 1);
        QCOMPARE(view->selectionLength(), 2);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(view->document().lineCount(), 2);
    }

    void replaceSelectionInsertsOrReplaces() {
        QSignalSpy changed(view.get(), &TranscriptView::selectionChanged);
        view->setText(QStringLiteral("one\r\ntwo"));
        view->setSelectionStart(view->length());
        view->replaceSelection(QStringLiteral("!\r\n")); // at the end, like an echo
        QCOMPARE(view->text(), QStringLiteral("one\r\ntwo!\r\n"));
        QCOMPARE(view->selectionStart(), 11);
        view->setSelectionStart(3); // caret before the CR LF
        view->replaceSelection(QStringLiteral("X\r\n"));
        QCOMPARE(view->text(), QStringLiteral("oneX\r\n\r\ntwo!\r\n"));
        QCOMPARE(view->selectionStart(), 6);
        QCOMPARE(view->selectionLength(), 0);
        view->setSelectionStart(1);
        view->setSelectionLength(5);
        view->replaceSelection(QString()); // like Cut
        QCOMPARE(view->text(), QStringLiteral("o\r\ntwo!\r\n"));
        QCOMPARE(view->selectionStart(), 1);
        view->setSelectionStart(0);
        view->setSelectionLength(view->length());
        view->replaceSelection(QStringLiteral("Z\r\n"));
        QCOMPARE(view->text(), QStringLiteral("Z\r\n"));
        QCOMPARE(view->selectionStart(), 3);
        QVERIFY(changed.count() >= 6);
        QCOMPARE(view->document().lineCount(), 2);
    }

    void scrollsToTheEndAndShowsTheNewestText() {
        view->setText(QString());
        for (int i = 0; i < 40; ++i) {
            view->appendText(chatLines(25, i * 25));
            view->setSelectionStart(view->length());
        }
        view->appendText(u"last words");
        view->setSelectionStart(view->length());
        QScrollBar *bar = view->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 900);
        QCOMPARE(bar->value(), bar->maximum());
        const QRect caret = view->positionRect(view->length());
        QVERIFY(!caret.isEmpty());
        QVERIFY(view->viewport()->rect().contains(caret));
        const QPoint bottomLeft(2, caret.center().y());
        QCOMPARE(view->positionAt(bottomLeft), view->length() - 10);

        // A last line taller than the view: its last row is what shows.
        QString tall;
        while (tall.size() < 6000)
            tall += QStringLiteral("word ");
        view->appendText(tall);
        view->setSelectionStart(view->length());
        QTRY_COMPARE(bar->value(), bar->maximum());
        QVERIFY(view->viewport()->rect().contains(view->positionRect(view->length())));

        // Scrolled back to the top, arrivals that do not touch the caret leave the view.
        view->setSelectionStart(0);
        QTRY_COMPARE(bar->value(), 0);
        view->appendText(chatLines(50));
        QTRY_VERIFY(bar->maximum() > 1000);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(view->positionAt(QPoint(0, 0)), 0);
    }

    void drawsOncePerFrameAndNotForUnseenText() {
        PaintCounter counter;
        view->viewport()->installEventFilter(&counter);
        view->setText(chatLines(100));
        QTest::qWait(50);
        counter.paints = 0;
        for (int i = 0; i < 500; ++i) {
            view->appendText(chatLines(2, i));
            view->setSelectionStart(view->length());
        }
        QTest::qWait(100);
        QVERIFY2(counter.paints >= 1 && counter.paints <= 3,
                 qPrintable(QString::number(counter.paints)));

        view->setSelectionStart(0);
        QTest::qWait(50);
        counter.paints = 0;
        view->appendText(chatLines(10));
        QTest::qWait(50);
        QCOMPARE(counter.paints, 0);
    }

    void clickPlacesTheCaretAndDragSelects() {
        view->setText(QStringLiteral("hello world\r\nsecond line\r\nthird"));
        view->clearFocus();
        QVERIFY(!view->hasFocus());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pointOf(6));
        QCOMPARE(view->selectionStart(), 6);
        QCOMPARE(view->selectionLength(), 0);
        QVERIFY(view->hasFocus());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pointOf(13 + 7));
        QCOMPARE(view->selectionStart(), 20);

        // Beyond the end of a line is its end, before the CR LF.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(390, pointOf(0).y()));
        QCOMPARE(view->selectionStart(), 11);

        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, pointOf(2));
        QTest::mouseMove(view->viewport(), pointOf(9));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, pointOf(9));
        QCOMPARE(view->selectionStart(), 2);
        QCOMPARE(view->selectedText(), QStringLiteral("llo wor"));

        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, pointOf(15));
        QCOMPARE(view->selectionStart(), 2);
        QCOMPARE(view->selectedText(), QStringLiteral("llo world\r\nse"));

        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, pointOf(16));
        QCOMPARE(view->selectedText(), QStringLiteral("second"));
    }

    // Colours come from the palette; the caret shows only with the focus, the selection keeps
    // the active highlight without it.
    void drawsCaretAndSelectionInPaletteColours() {
        QPalette colours = view->palette();
        colours.setColor(QPalette::Base, Qt::black);
        colours.setColor(QPalette::Text, Qt::yellow);
        colours.setColor(QPalette::Active, QPalette::Highlight, Qt::blue);
        colours.setColor(QPalette::Inactive, QPalette::Highlight, Qt::gray);
        view->setPalette(colours);
        view->setText(QStringLiteral("a      b      c"));
        auto pixel = [&](const QPoint &point) {
            return view->viewport()->grab().toImage().pixelColor(point);
        };
        const QPoint caret = pointOf(4);
        const QPoint blank = pointOf(11) - QPoint(3, 0);
        view->setSelectionStart(4);
        view->setFocus();
        // The caret inverts what is under it, as text boxes do.
        QTRY_VERIFY(pixel(caret) != QColor(Qt::black));
        view->setSelectionStart(9);
        view->setSelectionLength(4);
        view->clearFocus();
        QTRY_COMPARE(pixel(blank), QColor(Qt::blue));
        QCOMPARE(pixel(caret), QColor(Qt::black));
    }

    void dragPastTheEdgeScrolls() {
        view->setText(chatLines(200));
        QScrollBar *bar = view->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), 0);
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, pointOf(0));
        QTest::mouseMove(view->viewport(), QPoint(10, view->viewport()->height() + 20));
        QTRY_VERIFY(bar->value() >= 3);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {},
                            QPoint(10, view->viewport()->height() + 20));
        QCOMPARE(view->selectionStart(), 0);
        QVERIFY(view->selectionLength() > 3 * 40);
    }

    void keyboardMovesAndSelects() {
        view->setText(QStringLiteral("abc\r\ndef\r\n") + QChar(0xD83D) + QChar(0xDE00) + u'g');
        view->setFocus();
        QTest::keyClick(view.get(), Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(view.get(), Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(view->selectedText(), QStringLiteral("ab"));
        QTest::keyClick(view.get(), Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(view->selectedText(), QStringLiteral("abc"));
        QTest::keyClick(view.get(), Qt::Key_Right); // collapses to the selection's end
        QCOMPARE(view->selectionStart(), 3);
        QTest::keyClick(view.get(), Qt::Key_Right); // over CR LF in one step
        QCOMPARE(view->selectionStart(), 5);
        QTest::keyClick(view.get(), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(view->selectedText(), QStringLiteral("def\r\n"));
        QTest::keyClick(view.get(), Qt::Key_Right);
        QTest::keyClick(view.get(), Qt::Key_Right); // over the surrogate pair
        QCOMPARE(view->selectionStart(), 12);
        QTest::keyClick(view.get(), Qt::Key_Home);
        QCOMPARE(view->selectionStart(), 10);
        QTest::keyClick(view.get(), Qt::Key_Up);
        QCOMPARE(view->selectionStart(), 5);
        QTest::keyClick(view.get(), Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(view->selectionStart(), 0);
        QCOMPARE(view->selectionLength(), 5);
        QTest::keyClick(view.get(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(view->selectionStart(), view->length());
        QTest::keyClick(view.get(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(view->selectionStart(), 0);
        QCOMPARE(view->selectionLength(), view->length());

        view->setText(chatLines(100));
        QTest::keyClick(view.get(), Qt::Key_PageDown);
        QVERIFY(view->selectionStart() > 5 * 40);
        QVERIFY(view->verticalScrollBar()->value() > 3);
        QVERIFY(!view->positionRect(view->selectionStart()).isEmpty());
    }

    void copiesPlainTextButNeverChangesTheText() {
        const QString text = QString::fromUtf16(u"a\0b\rc<i>x</i>\r\nline", 19);
        view->setText(text);
        view->setFocus();
        view->setSelectionStart(1);
        view->setSelectionLength(16);
        QClipboard *clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        QTest::keyClick(view.get(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), text.mid(1, 16));
        QVERIFY(!clipboard->mimeData()->hasHtml());
        clipboard->clear();
        QTest::keyClick(view.get(), Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(clipboard->text(), text.mid(1, 16));

        clipboard->setText(QStringLiteral("pasted"));
        QTest::keyClicks(view.get(), QStringLiteral("typed"));
        for (auto key : {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return, Qt::Key_Tab})
            QTest::keyClick(view.get(), key);
        QTest::keyClick(view.get(), Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(view.get(), Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(view.get(), Qt::Key_Insert, Qt::ShiftModifier);
        QTest::keyClick(view.get(), Qt::Key_Delete, Qt::ShiftModifier);
        QTest::mouseClick(view->viewport(), Qt::MiddleButton, {}, pointOf(2));
        QCOMPARE(view->text(), text);
        QCOMPARE(clipboard->text(), QStringLiteral("pasted"));
    }

    void contextMenuOffersCopyAndSelectAll() {
        view->setText(QStringLiteral("menu text"));
        QStringList captions;
        QTimer::singleShot(100, this, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (!menu)
                return;
            for (QAction *action : menu->actions())
                captions << action->text() + (action->isEnabled() ? u"+" : u"-");
            menu->actions().last()->trigger();
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, pointOf(2),
                                view->viewport()->mapToGlobal(pointOf(2)));
        QApplication::sendEvent(view->viewport(), &event);
        QCOMPARE(captions, QStringList({QStringLiteral("&Copy-"), QStringLiteral("Select &All+")}));
        QCOMPARE(view->selectionLength(), view->length());
    }

    void wheelScrollsByRows() {
        view->setText(chatLines(200));
        view->setSelectionStart(view->length());
        QScrollBar *bar = view->verticalScrollBar();
        QTRY_VERIFY(bar->value() > 100);
        const int end = bar->value();
        QWheelEvent up(QPointF(50, 50), view->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(),
                       QPoint(0, 240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &up);
        QTRY_VERIFY(bar->value() < end);
        QVERIFY(bar->value() >= end - 2 * QApplication::wheelScrollLines());
        QCOMPARE(view->selectionStart(), view->length()); // the caret stays
    }

    void accessibleAsReadOnlyTranscript() {
        view->setText(QStringLiteral("first line\r\nsecond"));
        view->setSelectionStart(3);
        view->setSelectionLength(4);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(view.get());
        QVERIFY(iface);
        QCOMPARE(iface->role(), QAccessible::EditableText);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Chat transcript"));
        QVERIFY(iface->state().readOnly);
        QVERIFY(iface->state().multiLine);
        QAccessibleTextInterface *text = iface->textInterface();
        QVERIFY(text);
        QCOMPARE(text->characterCount(), 18);
        QCOMPARE(text->text(0, 18), view->text());
        QCOMPARE(text->selectionCount(), 1);
        int start = -1, end = -1;
        text->selection(0, &start, &end);
        QCOMPARE(start, 3);
        QCOMPARE(end, 7);
        QCOMPARE(text->cursorPosition(), 7);
        QCOMPARE(text->textAtOffset(14, QAccessible::LineBoundary, &start, &end),
                 QStringLiteral("second"));
        QCOMPARE(start, 12);
        QCOMPARE(text->textBeforeOffset(14, QAccessible::LineBoundary, &start, &end),
                 QStringLiteral("first line\r\n"));
        QCOMPARE(text->textAtOffset(2, QAccessible::WordBoundary, &start, &end),
                 QStringLiteral("first"));
        QCOMPARE(text->textAfterOffset(2, QAccessible::CharBoundary, &start, &end),
                 QStringLiteral("s"));
        text->setSelection(0, 0, 5);
        QCOMPARE(view->selectedText(), QStringLiteral("first"));

        view->setAccessibleName(QStringLiteral("Log"));
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Log"));
    }

    // Left and Right step over whole grapheme clusters and CR LF; Ctrl+Right goes to the next
    // word start, letters outside the Basic Multilingual Plane and marks being word letters.
    void caretStepsByCharactersAndWords_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("to");
        const int none = Qt::NoModifier, ctrl = Qt::ControlModifier;
        const QString mark = QStringLiteral("e\u0301x");
        const QString gothic = QStringLiteral("a\U00010330b c");
        QTest::newRow("combining mark right") << mark << 0 << int(Qt::Key_Right) << none << 2;
        QTest::newRow("combining mark left") << mark << 2 << int(Qt::Key_Left) << none << 0;
        QTest::newRow("CR LF right")
            << QStringLiteral("a\r\nb") << 1 << int(Qt::Key_Right) << none << 3;
        QTest::newRow("CR LF left")
            << QStringLiteral("a\r\nb") << 3 << int(Qt::Key_Left) << none << 1;
        QTest::newRow("surrogates right") << gothic << 1 << int(Qt::Key_Right) << none << 3;
        QTest::newRow("word past astral") << gothic << 0 << int(Qt::Key_Right) << ctrl << 5;
        QTest::newRow("word back") << gothic << 6 << int(Qt::Key_Left) << ctrl << 5;
        QTest::newRow("word over line")
            << QStringLiteral("ab\r\n cd") << 0 << int(Qt::Key_Right) << ctrl << 5;
    }
    void caretStepsByCharactersAndWords() {
        QFETCH(QString, text);
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, to);
        view->setText(text);
        view->setSelectionStart(from);
        QTest::keyClick(view.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(view->cursorPosition(), qsizetype(to));
    }

    void doubleClickKeepsAstralLettersInTheWord() {
        view->setText(QStringLiteral("hi a\U00010330b!"));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, pointOf(4));
        QCOMPARE(view->selectedText(), QStringLiteral("a\U00010330b"));
    }

    // A screen reader's line is the row on screen: a wrapped line reads row by row.
    void accessibleLineIsTheRowOnScreen() {
        const QString words = QStringLiteral("word ").repeated(60);
        view->setText(words + QStringLiteral("\r\nnext"));
        QAccessibleTextInterface *text =
            QAccessible::queryAccessibleInterface(view.get())->textInterface();
        int start = -1, end = -1;
        const QString first = text->textAtOffset(0, QAccessible::LineBoundary, &start, &end);
        QCOMPARE(start, 0);
        QVERIFY(end > 0 && end < words.size());
        QCOMPARE(view->positionRect(end).top(),
                 view->positionRect(0).top() + view->positionRect(0).height());
        const QString last =
            text->textAtOffset(int(words.size()) - 1, QAccessible::LineBoundary, &start, &end);
        QVERIFY(last.endsWith(QStringLiteral("\r\n")));
        QCOMPARE(end, int(words.size()) + 2);
        QCOMPARE(
            text->textAfterOffset(int(words.size()) - 1, QAccessible::LineBoundary, &start, &end),
            QStringLiteral("next"));
    }
};

QTEST_MAIN(TestTranscriptView)
#include "tst_transcriptview.moc"
