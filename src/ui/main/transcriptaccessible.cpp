#include "ui/main/transcriptaccessible.h"

#include "transcript/transcriptunits.h"
#include "ui/main/transcriptview.h"

#include <QAccessibleWidget>

#include <algorithm>
#include <climits>

namespace {

// Offsets of the accessibility interfaces are ints; a transcript beyond that is cut off there.
int toInt(qsizetype value) {
    return int(std::min<qsizetype>(value, INT_MAX));
}

// What a screen reader sees of the transcript: an editable text (read-only for the user)
// with the whole text interface, reading the view's text directly.
class TranscriptAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TranscriptAccessible(TranscriptView *view)
        : QAccessibleWidget(view, QAccessible::EditableText) {}

    TranscriptView *view() const { return static_cast<TranscriptView *>(widget()); }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString name = view()->accessibleName();
            return name.isEmpty() ? QObject::tr("Chat transcript") : name;
        }
        if (t == QAccessible::Value)
            return QString(); // the text interface carries the text
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        s.editable = false;
        s.selectableText = true;
        return s;
    }

    void *interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    void selection(int selectionIndex, int *startOffset, int *endOffset) const override {
        *startOffset = *endOffset = 0;
        if (selectionIndex == 0 && view()->selectionLength() > 0) {
            *startOffset = toInt(view()->selectionStart());
            *endOffset = toInt(view()->selectionStart() + view()->selectionLength());
        }
    }
    int selectionCount() const override { return view()->selectionLength() > 0 ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override {
        view()->select(startOffset, endOffset);
    }
    void removeSelection(int selectionIndex) override {
        if (selectionIndex == 0)
            view()->select(view()->cursorPosition(), view()->cursorPosition());
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override {
        if (selectionIndex == 0)
            view()->select(startOffset, endOffset);
    }
    int cursorPosition() const override { return toInt(view()->cursorPosition()); }
    void setCursorPosition(int position) override { view()->select(position, position); }

    QString text(int startOffset, int endOffset) const override {
        const QString &all = view()->document().text();
        startOffset = std::clamp(startOffset, 0, toInt(all.size()));
        endOffset = std::clamp(endOffset, startOffset, toInt(all.size()));
        return all.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return toInt(view()->length()); }

    // The unit of text holding `offset`, looked for within its display line only, so that no
    // question costs more than a line's worth of text.
    void unitAt(qsizetype offset, QAccessible::TextBoundaryType type, qsizetype *start,
                qsizetype *end) const {
        const TranscriptDocument &doc = view()->document();
        const QString &all = doc.text();
        offset = std::clamp<qsizetype>(offset, 0, all.size());
        const qsizetype line = doc.lineAt(offset);
        switch (type) {
        case QAccessible::CharBoundary:
            *start = offset;
            *end = std::min(all.size(), offset + 1);
            if (*end < all.size() && all.at(offset).isHighSurrogate() &&
                all.at(*end).isLowSurrogate())
                ++*end;
            return;
        case QAccessible::WordBoundary:
            transcriptunits::runAt(doc, offset, start, end);
            return;
        case QAccessible::LineBoundary:
            view()->rowBounds(offset, start, end);
            return;
        case QAccessible::NoBoundary:
            *start = 0;
            *end = all.size();
            return;
        default: // sentences and paragraphs: the display line with its line break
            *start = doc.lineStart(line);
            *end = doc.lineEnd(line);
            return;
        }
    }

    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int *startOffset,
                         int *endOffset) const override {
        qsizetype start, end;
        unitAt(offset, type, &start, &end);
        return result(start, end, startOffset, endOffset);
    }
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int *startOffset,
                             int *endOffset) const override {
        qsizetype start, end;
        unitAt(offset, type, &start, &end);
        if (start == 0)
            return result(0, 0, startOffset, endOffset);
        unitAt(start - 1, type, &start, &end);
        return result(start, end, startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int *startOffset,
                            int *endOffset) const override {
        qsizetype start, end;
        unitAt(offset, type, &start, &end);
        if (end >= view()->length())
            return result(end, end, startOffset, endOffset);
        unitAt(end, type, &start, &end);
        return result(start, end, startOffset, endOffset);
    }

    QRect characterRect(int offset) const override {
        const QRect at = view()->positionRect(offset);
        if (at.isEmpty())
            return QRect();
        QRect rect = at;
        const QRect next = view()->positionRect(offset + 1);
        if (next.top() == at.top() && next.left() > at.left())
            rect.setRight(next.left() - 1);
        return QRect(view()->viewport()->mapToGlobal(rect.topLeft()), rect.size());
    }
    int offsetAtPoint(const QPoint &point) const override {
        const QPoint local = view()->viewport()->mapFromGlobal(point);
        if (!view()->viewport()->rect().contains(local))
            return -1;
        return toInt(view()->positionAt(local));
    }
    void scrollToSubstring(int startIndex, int endIndex) override {
        view()->ensurePositionVisible(endIndex);
        view()->ensurePositionVisible(startIndex);
    }
    QString attributes(int offset, int *startOffset, int *endOffset) const override {
        Q_UNUSED(offset)
        *startOffset = 0;
        *endOffset = characterCount();
        return QString();
    }

private:
    QString result(qsizetype start, qsizetype end, int *startOffset, int *endOffset) const {
        *startOffset = toInt(start);
        *endOffset = toInt(end);
        return text(*startOffset, *endOffset);
    }
};

} // namespace

QAccessibleInterface *transcriptAccessibleFactory(const QString &className, QObject *object) {
    if (className == QLatin1String("TranscriptView") && object && object->isWidgetType())
        // Qt's accessibility cache owns the interfaces its factories make.
        return new TranscriptAccessible(static_cast<TranscriptView *>(object));
    return nullptr;
}
