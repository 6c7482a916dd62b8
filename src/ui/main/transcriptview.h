#pragma once

#include "transcript/transcriptdocument.h"
#include "ui/main/transcriptlayout.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QString>
#include <QStringView>

// The chat transcript: one text, shown multi-line and read-only for the user.
//
// Its text interface is that of a standard text box and counts positions in UTF-16 code
// units, CR LF being two of them. It gives back exactly the characters put in: lone CR,
// lone LF, NUL and every other control character included. On screen, lines break at CR LF
// only, long lines wrap at the view's width, control characters show as visible symbols, and
// the text is never read as markup.
//
// The user can place the caret, select with mouse and keyboard, scroll and copy, but cannot
// change the text; the program changes it through the operations below.
//
// The view keeps the text and an index of its lines (TranscriptDocument), lays out only the
// lines on screen (TranscriptLayout), so appending costs the same however long the
// transcript has grown, and keeps the scroll position, the selection and the input itself.
// Changes are drawn at most once a frame, however fast they come.
class TranscriptView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TranscriptView(QWidget *parent = nullptr);
    ~TranscriptView() override;

    QString text() const;
    // Replaces the whole text; the caret goes to 0 with nothing selected.
    void setText(const QString &text);
    qsizetype length() const;

    // Appends at the end, in place. The selection and caret are left where they are.
    void appendText(QStringView text);

    // The selection: a start (the caret when nothing is selected) and a length.
    qsizetype selectionStart() const;
    // Moves the caret to `position` (clamped to the text), selects nothing and scrolls the
    // caret into view.
    void setSelectionStart(qsizetype position);
    qsizetype selectionLength() const;
    // Selects `length` characters from the selection start (clamped to the text).
    void setSelectionLength(qsizetype length);
    QString selectedText() const;
    // Replaces the selected characters with `text`, or inserts it at the caret when nothing
    // is selected; the caret then stands after the inserted text, nothing selected.
    void replaceSelection(const QString &text);

    // The caret, which is one end of the selection (the other is the anchor).
    qsizetype cursorPosition() const { return m_position; }
    // Selects from `anchor` to `position`, the caret at `position`, without scrolling.
    void select(qsizetype anchor, qsizetype position);

    // Puts the selected text on the clipboard as plain text (nothing when none is selected).
    void copy();
    void selectAll();

    // The caret position nearest to `point` (viewport coordinates).
    qsizetype positionAt(const QPoint &point);
    // Where the caret stands at `position`, in viewport coordinates; empty when off screen.
    QRect positionRect(qsizetype position);
    void ensurePositionVisible(qsizetype position);
    // The row on screen holding `position`, as [start, end) in the text; the last row of a
    // line ends after its line break.
    void rowBounds(qsizetype position, qsizetype *start, qsizetype *end);

    const TranscriptDocument &document() const { return m_document; }

Q_SIGNALS:
    void selectionChanged();

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void showEvent(QShowEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    // Takes in an edit of the document: drops the layouts it made stale and asks for a frame.
    void applyChange(const TranscriptDocument::Change &change);
    void setCaret(qsizetype position, bool keepAnchor);
    void emitIfSelectionMoved(qsizetype oldAnchor, qsizetype oldPosition);

    // Settles the scroll position, the lines on screen and the scroll bar after changes.
    void flush();
    void markDirty(bool repaint);
    void scheduleFrame();
    // Scrolls the least that brings `position` on screen; the end of the text pins the view.
    void reveal(qsizetype position);
    void syncScrollBar();
    void scrollByRows(qsizetype rows);
    void onScrollBarAction(int action);

    int fullRows() const;
    // The layout's font, resolved for the screen the view is on.
    void takeFont();

    void selectWordAt(qsizetype position);
    void moveVertically(qsizetype rows, bool keepAnchor);
    void moveToRowEdge(bool toEnd, bool keepAnchor);
    void dragTo(const QPoint &point);
    void restartCaretBlink();
    void updateCaret();
    void flushAccessibility();
    void notifyTextUpdate(qsizetype position, const QString &removed, const QString &inserted);

    TranscriptDocument m_document;
    qsizetype m_anchor = 0;
    qsizetype m_position = 0;

    // Scroll state: the row at the top of the view, or pinned to the end of the text.
    TranscriptLayout::Row m_top;
    TranscriptLayout::Row m_pinnedTop;
    bool m_pinned = false;
    bool m_ensureCaret = false;
    bool m_dirty = true;
    bool m_repaintPending = false;
    int m_wheelRemainder = 0;
    qreal m_preferredX = -1;

    // Rows, wrapping and the lines on screen.
    TranscriptLayout m_layout;

    QBasicTimer m_frameTimer;
    QBasicTimer m_caretTimer;
    QBasicTimer m_dragScrollTimer;
    bool m_caretVisible = false;
    bool m_dragging = false;
    QPoint m_dragPoint;

    // Accessibility notices waiting for the next frame.
    qsizetype m_pendingInsertFrom = -1;
    bool m_pendingSelectionNotice = false;
};
