#include "ui/main/transcriptview.h"

#include "transcript/transcriptunits.h"
#include "ui/main/transcriptaccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QWheelEvent>

#include <algorithm>
#include <climits>

namespace {

constexpr int kMargin = 2;         // pixels left and right of the text
constexpr int kFrameInterval = 16; // at most about 60 repaints a second
constexpr int kDragScrollInterval = 50;

// Offsets of the accessibility interfaces are ints; a transcript beyond that is cut off there.
int toInt(qsizetype value) {
    return int(std::min<qsizetype>(value, INT_MAX));
}

} // namespace

using Row = TranscriptLayout::Row;

TranscriptView::TranscriptView(QWidget *parent)
    : QAbstractScrollArea(parent)
    , m_layout(m_document) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(transcriptAccessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled)

    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
    viewport()->setCursor(Qt::IBeamCursor);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            &TranscriptView::onScrollBarAction);

    takeFont();
}

TranscriptView::~TranscriptView() = default;

QString TranscriptView::text() const {
    return m_document.text();
}

void TranscriptView::setText(const QString &text) {
    flushAccessibility();
    const QString old = QAccessible::isActive() ? m_document.text() : QString();
    const qsizetype oldAnchor = m_anchor, oldPosition = m_position;
    m_layout.invalidateFrom(0);
    m_document.setText(text);
    m_anchor = m_position = 0;
    m_top = Row();
    m_pinned = false;
    m_ensureCaret = false;
    markDirty(true);
    notifyTextUpdate(0, old, text);
    emitIfSelectionMoved(oldAnchor, oldPosition);
}

qsizetype TranscriptView::length() const {
    return m_document.length();
}

void TranscriptView::appendText(QStringView text) {
    if (text.isEmpty())
        return;
    const qsizetype end = m_document.length();
    applyChange(m_document.append(text));
    if (m_pendingInsertFrom < 0)
        m_pendingInsertFrom = end;
}

qsizetype TranscriptView::selectionStart() const {
    return std::min(m_anchor, m_position);
}

void TranscriptView::setSelectionStart(qsizetype position) {
    setCaret(position, false);
}

qsizetype TranscriptView::selectionLength() const {
    return std::abs(m_position - m_anchor);
}

void TranscriptView::setSelectionLength(qsizetype length) {
    const qsizetype start = selectionStart();
    select(start, start + std::clamp<qsizetype>(length, 0, m_document.length() - start));
}

QString TranscriptView::selectedText() const {
    return m_document.text().mid(selectionStart(), selectionLength());
}

void TranscriptView::replaceSelection(const QString &text) {
    const qsizetype start = selectionStart();
    const qsizetype count = selectionLength();
    const qsizetype oldAnchor = m_anchor, oldPosition = m_position;
    // An insertion at the end is an append, told to a screen reader with the next frame;
    // any other edit is told at once, after earlier appends.
    const bool atEnd = start == m_document.length();
    QString removed;
    if (!atEnd) {
        flushAccessibility();
        if (QAccessible::isActive())
            removed = m_document.text().mid(start, count);
    } else if (m_pendingInsertFrom < 0 && !text.isEmpty()) {
        m_pendingInsertFrom = start;
    }
    applyChange(m_document.replace(start, count, text));
    m_anchor = m_position = start + text.size();
    m_preferredX = -1;
    m_ensureCaret = true;
    restartCaretBlink();
    markDirty(true);
    if (!atEnd)
        notifyTextUpdate(start, removed, text);
    emitIfSelectionMoved(oldAnchor, oldPosition);
}

void TranscriptView::select(qsizetype anchor, qsizetype position) {
    const qsizetype oldAnchor = m_anchor, oldPosition = m_position;
    m_anchor = std::clamp<qsizetype>(anchor, 0, m_document.length());
    m_position = std::clamp<qsizetype>(position, 0, m_document.length());
    m_preferredX = -1;
    restartCaretBlink();
    emitIfSelectionMoved(oldAnchor, oldPosition);
}

void TranscriptView::copy() {
    if (selectionLength() > 0)
        QGuiApplication::clipboard()->setText(selectedText());
}

void TranscriptView::selectAll() {
    select(0, m_document.length());
}

void TranscriptView::setCaret(qsizetype position, bool keepAnchor) {
    const qsizetype oldAnchor = m_anchor, oldPosition = m_position;
    m_position = std::clamp<qsizetype>(position, 0, m_document.length());
    if (!keepAnchor)
        m_anchor = m_position;
    m_preferredX = -1;
    m_ensureCaret = true;
    restartCaretBlink();
    markDirty(false);
    emitIfSelectionMoved(oldAnchor, oldPosition);
}

void TranscriptView::emitIfSelectionMoved(qsizetype oldAnchor, qsizetype oldPosition) {
    if (oldAnchor == m_anchor && oldPosition == m_position)
        return;
    // Redraw only when the stretch whose look changed is on screen.
    const qsizetype from = std::min({oldAnchor, oldPosition, m_anchor, m_position});
    const qsizetype to = std::max({oldAnchor, oldPosition, m_anchor, m_position});
    if (m_dirty || (to >= m_layout.shownFrom() && from <= m_layout.shownTo()))
        m_repaintPending = true;
    m_pendingSelectionNotice = true;
    scheduleFrame();
    Q_EMIT selectionChanged();
}

void TranscriptView::applyChange(const TranscriptDocument::Change &change) {
    m_layout.invalidateFrom(change.firstChangedLine);
    // Text that lands below the last line on screen needs no repaint, only a new scroll range.
    const bool onScreen = m_pinned || change.firstChangedLine <= m_layout.shownLastLine() ||
                          m_layout.shownBottom() < viewport()->height();
    if (m_top.line > change.firstChangedLine) {
        m_top.line =
            std::max(change.firstChangedLine, m_top.line + change.linesAfter - change.linesBefore);
    }
    m_top.line = std::min(m_top.line, m_document.lineCount() - 1);
    markDirty(onScreen);
}

void TranscriptView::markDirty(bool repaint) {
    m_dirty = true;
    if (repaint)
        m_repaintPending = true;
    scheduleFrame();
}

void TranscriptView::scheduleFrame() {
    if (!m_frameTimer.isActive())
        m_frameTimer.start(kFrameInterval, this);
}

// --- Scrolling
// ---------------------------------------------------------------------------------------------

int TranscriptView::fullRows() const {
    return std::max(1, viewport()->height() / m_layout.rowHeight());
}

void TranscriptView::takeFont() {
    m_layout.setFont(QFont(font(), viewport()));
    markDirty(true);
}

void TranscriptView::flush() {
    if (!m_dirty)
        return;
    m_dirty = false;
    const Row oldTop = m_top;
    m_layout.setWidth(viewport()->width() - 2 * kMargin);

    m_pinnedTop = m_layout.advance(m_layout.lastRow(), -(fullRows() - 1));
    if (m_ensureCaret) {
        m_ensureCaret = false;
        reveal(m_position);
    }
    // Scrolled to the end is where the view stays while text arrives.
    if (m_pinned || !(m_top < m_pinnedTop)) {
        m_pinned = true;
        m_top = m_pinnedTop;
    } else {
        m_top = m_layout.advance(m_top, 0);
    }
    if (m_top != oldTop) {
        m_repaintPending = true;
        scheduleFrame();
    }
    m_layout.layOut(m_top, viewport()->height());
    syncScrollBar();
}

void TranscriptView::reveal(qsizetype position) {
    if (position == m_document.length()) {
        m_pinned = true;
        return;
    }
    const Row row = m_layout.rowOf(position);
    const Row top = m_pinned ? m_pinnedTop : m_top;
    if (row < top) {
        m_top = row;
        m_pinned = false;
    } else if (m_layout.advance(top, fullRows() - 1) < row) {
        m_top = m_layout.advance(row, -(fullRows() - 1));
        m_pinned = false;
    }
}

void TranscriptView::syncScrollBar() {
    QScrollBar *bar = verticalScrollBar();
    const QSignalBlocker blocker(bar);
    bar->setRange(0, toInt(m_pinnedTop.line));
    bar->setPageStep(std::max<int>(1, int(m_layout.shownLines().size()) - 1));
    bar->setSingleStep(1);
    bar->setValue(toInt(m_top.line));
}

void TranscriptView::scrollContentsBy(int, int) {
    // Only a move of the scroll bar by the user changes what is shown; our own settings of
    // the bar agree with the view already.
    const int value = verticalScrollBar()->value();
    if (value == m_top.line)
        return;
    if (value >= verticalScrollBar()->maximum()) {
        m_pinned = true;
    } else {
        m_pinned = false;
        m_top = Row{value, 0};
    }
    markDirty(true);
}

void TranscriptView::onScrollBarAction(int action) {
    // The arrows and the page areas of the bar move by rows of text, like the wheel, so a
    // tall line can be read row by row.
    qsizetype rows = 0;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        rows = 1;
        break;
    case QAbstractSlider::SliderSingleStepSub:
        rows = -1;
        break;
    case QAbstractSlider::SliderPageStepAdd:
        rows = std::max(1, fullRows() - 1);
        break;
    case QAbstractSlider::SliderPageStepSub:
        rows = -std::max(1, fullRows() - 1);
        break;
    default:
        return;
    }
    scrollByRows(rows);
    verticalScrollBar()->setSliderPosition(toInt(m_top.line));
}

void TranscriptView::scrollByRows(qsizetype rows) {
    flush();
    m_top = m_layout.advance(m_top, rows);
    m_pinned = false;
    markDirty(true);
    flush();
}

void TranscriptView::ensurePositionVisible(qsizetype position) {
    flush();
    reveal(std::clamp<qsizetype>(position, 0, m_document.length()));
    markDirty(true);
}

void TranscriptView::rowBounds(qsizetype position, qsizetype *start, qsizetype *end) {
    flush();
    m_layout.rowBounds(position, start, end);
}

qsizetype TranscriptView::positionAt(const QPoint &point) {
    flush();
    return m_layout.positionAt(point - QPoint(kMargin, 0));
}

QRect TranscriptView::positionRect(qsizetype position) {
    flush();
    const QRect rect = m_layout.positionRect(position);
    return rect.isNull() ? rect : rect.translated(kMargin, 0);
}

// --- Painting -----------------------------------------------------------------------------

void TranscriptView::paintEvent(QPaintEvent *event) {
    flush();
    QPainter painter(viewport());
    const QPalette &colours = palette();
    painter.setPen(colours.color(QPalette::Text));
    // The selection keeps its highlight when the focus is elsewhere.
    QTextCharFormat selected;
    selected.setBackground(colours.brush(QPalette::Active, QPalette::Highlight));
    selected.setForeground(colours.brush(QPalette::Active, QPalette::HighlightedText));
    const qsizetype selStart = selectionStart();
    const qsizetype selEnd = selStart + selectionLength();
    const QRect clip = event->rect();

    const int rowHeight = m_layout.rowHeight();
    for (const TranscriptLayout::ShownLine &shown : m_layout.shownLines()) {
        QTextLayout *layout = m_layout.layoutFor(shown.line);
        const int height = layout->lineCount() * rowHeight;
        if (shown.y + height <= clip.top() || shown.y > clip.bottom())
            continue;
        const qsizetype start = m_document.lineStart(shown.line);
        const qsizetype contentEnd = m_document.lineContentEnd(shown.line);
        QList<QTextLayout::FormatRange> selections;
        if (selStart < contentEnd && selEnd > start) {
            const qsizetype from = std::max(selStart, start);
            const qsizetype to = std::min(selEnd, contentEnd);
            selections.append({int(from - start), int(to - from), selected});
        }
        const QPointF origin(kMargin, shown.y);
        layout->draw(&painter, origin, selections, clip);
        // A selected line break shows as a highlighted blank after the line.
        if (selStart <= contentEnd && selEnd > contentEnd &&
            m_document.endsWithLineBreak(shown.line)) {
            const QTextLine last = layout->lineAt(layout->lineCount() - 1);
            const int blank = QFontMetrics(m_layout.font()).horizontalAdvance(u' ');
            painter.fillRect(QRectF(origin.x() + last.naturalTextWidth(), origin.y() + last.y(),
                                    blank, rowHeight),
                             selected.background());
        }
        if (m_caretVisible && hasFocus() && m_document.lineAt(m_position) == shown.line) {
            const int index = int(std::min<qsizetype>(m_position - start, contentEnd - start));
            layout->drawCursor(&painter, origin, index, 1);
        }
    }
}

void TranscriptView::changeEvent(QEvent *event) {
    if (event->type() == QEvent::FontChange)
        takeFont();
    QAbstractScrollArea::changeEvent(event);
}

void TranscriptView::resizeEvent(QResizeEvent *event) {
    QAbstractScrollArea::resizeEvent(event);
    markDirty(true);
}

void TranscriptView::showEvent(QShowEvent *event) {
    QAbstractScrollArea::showEvent(event);
    markDirty(true);
}

void TranscriptView::timerEvent(QTimerEvent *event) {
    if (event->timerId() == m_frameTimer.timerId()) {
        m_frameTimer.stop();
        if (!isVisible())
            return; // showing the view asks for a frame again
        flush();
        if (m_repaintPending) {
            m_repaintPending = false;
            viewport()->update();
        }
        flushAccessibility();
    } else if (event->timerId() == m_caretTimer.timerId()) {
        m_caretVisible = !m_caretVisible;
        updateCaret();
    } else if (event->timerId() == m_dragScrollTimer.timerId()) {
        const int y = m_dragPoint.y();
        if (y < 0)
            scrollByRows(-1);
        else if (y >= viewport()->height())
            scrollByRows(1);
        dragTo(m_dragPoint);
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

void TranscriptView::restartCaretBlink() {
    if (!hasFocus())
        return;
    m_caretVisible = true;
    const int flash = QApplication::cursorFlashTime();
    if (flash >= 2)
        m_caretTimer.start(flash / 2, this);
    else
        m_caretTimer.stop();
    m_repaintPending = true;
    scheduleFrame();
}

void TranscriptView::updateCaret() {
    const QRect rect = positionRect(m_position);
    if (!rect.isEmpty())
        viewport()->update(rect.adjusted(-1, 0, 1, 0));
}

void TranscriptView::focusInEvent(QFocusEvent *event) {
    QAbstractScrollArea::focusInEvent(event);
    restartCaretBlink();
}

void TranscriptView::focusOutEvent(QFocusEvent *event) {
    QAbstractScrollArea::focusOutEvent(event);
    m_caretTimer.stop();
    m_caretVisible = false;
    updateCaret();
}

// --- Keyboard -----------------------------------------------------------------------------

void TranscriptView::selectWordAt(qsizetype position) {
    const qsizetype line = m_document.lineAt(position);
    const qsizetype lineStart = m_document.lineStart(line);
    const qsizetype lineEnd = m_document.lineContentEnd(line);
    if (lineStart == lineEnd) {
        select(position, position);
        return;
    }
    // A click past the end of the line takes the run it ends with.
    qsizetype start, end;
    transcriptunits::runAt(m_document, std::clamp(position, lineStart, lineEnd - 1), &start, &end);
    select(start, end);
}

void TranscriptView::moveVertically(qsizetype rows, bool keepAnchor) {
    flush();
    if (m_preferredX < 0) {
        const QRect caret = positionRect(m_position);
        m_preferredX = caret.isEmpty() ? kMargin + m_layout.xOf(m_position) : caret.x();
    }
    const qreal x = m_preferredX;
    const Row to = m_layout.advance(m_layout.rowOf(m_position), rows);
    setCaret(m_layout.positionInRow(to, x - kMargin), keepAnchor);
    m_preferredX = x;
}

void TranscriptView::moveToRowEdge(bool toEnd, bool keepAnchor) {
    flush();
    setCaret(m_layout.rowEdge(m_position, toEnd), keepAnchor);
}

void TranscriptView::keyPressEvent(QKeyEvent *event) {
    if (event == QKeySequence::Copy ||
        (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ControlModifier)) {
        copy();
        return;
    }
    if (event == QKeySequence::SelectAll) {
        selectAll();
        return;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    const bool hasSelection = selectionLength() > 0;
    switch (event->key()) {
    case Qt::Key_Left:
        if (!shift && hasSelection && !control)
            setCaret(selectionStart(), false);
        else
            setCaret(control ? transcriptunits::previousWordStart(m_document, m_position)
                             : transcriptunits::previousCharacter(m_document, m_position),
                     shift);
        return;
    case Qt::Key_Right:
        if (!shift && hasSelection && !control)
            setCaret(selectionStart() + selectionLength(), false);
        else
            setCaret(control ? transcriptunits::nextWordStart(m_document, m_position)
                             : transcriptunits::nextCharacter(m_document, m_position),
                     shift);
        return;
    case Qt::Key_Up:
        moveVertically(-1, shift);
        return;
    case Qt::Key_Down:
        moveVertically(1, shift);
        return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const qsizetype page = std::max(1, fullRows() - 1);
        const qsizetype rows = event->key() == Qt::Key_PageUp ? -page : page;
        scrollByRows(rows);
        moveVertically(rows, shift);
        return;
    }
    case Qt::Key_Home:
        if (control)
            setCaret(0, shift);
        else
            moveToRowEdge(false, shift);
        return;
    case Qt::Key_End:
        if (control)
            setCaret(m_document.length(), shift);
        else
            moveToRowEdge(true, shift);
        return;
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Insert:
        return; // the user cannot change the text
    default:
        break;
    }
    if (event == QKeySequence::Paste || event == QKeySequence::Cut || event == QKeySequence::Undo ||
        event == QKeySequence::Redo || (!event->text().isEmpty() && event->text().at(0).isPrint()))
        return;
    event->ignore();
}

bool TranscriptView::event(QEvent *event) {
    // Keep the keys this view acts on from being taken as shortcuts elsewhere in the window.
    // Another screen, or another pixel ratio, can change where text breaks.
    if (event->type() == QEvent::ScreenChangeInternal
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
        || event->type() == QEvent::DevicePixelRatioChange
#endif
    )
        takeFont();
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key == QKeySequence::Copy || key == QKeySequence::SelectAll) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

// --- Mouse --------------------------------------------------------------------------------

void TranscriptView::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton)
        return; // no middle-button paste, and the right button opens the context menu

    const qsizetype position = positionAt(event->position().toPoint());
    setCaret(position, event->modifiers() & Qt::ShiftModifier);
    m_dragging = true;
}

void TranscriptView::mouseMoveEvent(QMouseEvent *event) {
    if (!m_dragging || !(event->buttons() & Qt::LeftButton))
        return;
    m_dragPoint = event->position().toPoint();
    dragTo(m_dragPoint);
    // Past the top or bottom edge the view scrolls while the button stays down.
    if (m_dragPoint.y() < 0 || m_dragPoint.y() >= viewport()->height()) {
        if (!m_dragScrollTimer.isActive())
            m_dragScrollTimer.start(kDragScrollInterval, this);
    } else {
        m_dragScrollTimer.stop();
    }
}

void TranscriptView::dragTo(const QPoint &point) {
    const QPoint inside(point.x(), std::clamp(point.y(), 0, viewport()->height() - 1));
    const qsizetype oldAnchor = m_anchor, oldPosition = m_position;
    m_position = positionAt(inside);
    restartCaretBlink();
    emitIfSelectionMoved(oldAnchor, oldPosition);
}

void TranscriptView::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    m_dragScrollTimer.stop();
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection() && selectionLength() > 0)
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void TranscriptView::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    selectWordAt(positionAt(event->position().toPoint()));
}

void TranscriptView::wheelEvent(QWheelEvent *event) {
    m_wheelRemainder += event->angleDelta().y();
    const int steps = m_wheelRemainder / QWheelEvent::DefaultDeltasPerStep;
    m_wheelRemainder -= steps * QWheelEvent::DefaultDeltasPerStep;
    if (steps != 0)
        scrollByRows(-qsizetype(steps) * QApplication::wheelScrollLines());
    event->accept();
}

void TranscriptView::contextMenuEvent(QContextMenuEvent *event) {
    QMenu menu(this);
    QAction *copyAction = menu.addAction(tr("&Copy"), this, &TranscriptView::copy);
    copyAction->setObjectName(QStringLiteral("copyAction"));
    copyAction->setEnabled(selectionLength() > 0);
    QAction *selectAllAction = menu.addAction(tr("Select &All"), this, &TranscriptView::selectAll);
    selectAllAction->setObjectName(QStringLiteral("selectAllAction"));
    selectAllAction->setEnabled(length() > 0);
    menu.exec(event->globalPos());
}

// --- Accessibility ------------------------------------------------------------------------

void TranscriptView::flushAccessibility() {
    const qsizetype insertFrom = m_pendingInsertFrom;
    const bool selectionNotice = m_pendingSelectionNotice;
    m_pendingInsertFrom = -1;
    m_pendingSelectionNotice = false;
    if (!QAccessible::isActive())
        return;
    if (insertFrom >= 0 && insertFrom < length()) {
        QAccessibleTextInsertEvent inserted(this, toInt(insertFrom),
                                            m_document.text().mid(insertFrom));
        QAccessible::updateAccessibility(&inserted);
    }
    if (selectionNotice) {
        QAccessibleTextSelectionEvent selection(this, toInt(selectionStart()),
                                                toInt(selectionStart() + selectionLength()));
        selection.setCursorPosition(toInt(m_position));
        QAccessible::updateAccessibility(&selection);
        QAccessibleTextCursorEvent cursor(this, toInt(m_position));
        QAccessible::updateAccessibility(&cursor);
    }
}

void TranscriptView::notifyTextUpdate(qsizetype position, const QString &removed,
                                      const QString &inserted) {
    if (!QAccessible::isActive())
        return;
    QAccessibleTextUpdateEvent update(this, toInt(position), removed, inserted);
    QAccessible::updateAccessibility(&update);
}
