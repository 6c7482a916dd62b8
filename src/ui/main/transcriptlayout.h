#pragma once

#include <QFont>
#include <QRect>
#include <QTextOption>

#include <map>
#include <memory>
#include <vector>

class QTextLayout;
class TranscriptDocument;

// How a transcript's text falls into rows on screen, without a widget: each display line of
// the document wraps at a width into rows of one height, and a frame shows the rows from a
// top row down to a height. Positions map to points of that frame and back. Points and
// rectangles are in the frame's coordinates, x = 0 where the text starts.
//
// Only the lines asked about are laid out, and their layouts are kept until an edit, a new
// font or a new width makes them stale (or, past a few hundred, until no frame uses them), so
// the cost does not grow with the transcript.
class TranscriptLayout {
public:
    // A row on screen: a display line and one of the rows it wraps into.
    struct Row {
        qsizetype line = 0;
        int row = 0;
        bool operator<(const Row &other) const {
            return line < other.line || (line == other.line && row < other.row);
        }
        bool operator==(const Row &other) const { return line == other.line && row == other.row; }
        bool operator!=(const Row &other) const { return !(*this == other); }
    };
    // A line of the frame and where its first row stands.
    struct ShownLine {
        qsizetype line;
        int y;
    };

    explicit TranscriptLayout(const TranscriptDocument &document);
    ~TranscriptLayout();

    // The font, already resolved for the device the text is drawn on.
    void setFont(const QFont &font);
    const QFont &font() const { return m_font; }
    void setWidth(int width);
    int rowHeight() const { return m_rowHeight; }

    // Forgets the layouts from `line` on, after an edit of the document changed them.
    void invalidateFrom(qsizetype line);

    // The line's layout, made on first use; valid until the layouts are next forgotten.
    QTextLayout *layoutFor(qsizetype line);
    int rowsOf(qsizetype line);
    Row lastRow();
    // The row `rows` rows after `from` (before it when negative), clamped to the text.
    Row advance(Row from, qsizetype rows);
    Row rowOf(qsizetype position);
    // The caret position in `row` nearest to `x`, never past the line's own characters.
    qsizetype positionInRow(Row row, qreal x);
    // Where the caret stands at `position` across its row.
    qreal xOf(qsizetype position);
    // The row holding `position`, as [start, end) in the text; the last row of a line ends
    // after its line break.
    void rowBounds(qsizetype position, qsizetype *start, qsizetype *end);
    // The start or the end of the row holding `position`, where Home and End put the caret.
    qsizetype rowEdge(qsizetype position, bool toEnd);

    // Makes the frame: the lines from `top` down to `height`.
    void layOut(Row top, int height);
    const std::vector<ShownLine> &shownLines() const { return m_shown; }
    // Where the frame's last line ends, and the stretch of text the frame covers (empty
    // before the first frame).
    int shownBottom() const { return m_shownBottom; }
    qsizetype shownFrom() const { return m_shownFrom; }
    qsizetype shownTo() const { return m_shownTo; }
    qsizetype shownLastLine() const { return m_shown.empty() ? -1 : m_shown.back().line; }
    // The caret position nearest to `point` of the frame.
    qsizetype positionAt(const QPoint &point);
    // Where the caret stands at `position` in the frame; empty when it is off the frame.
    QRect positionRect(qsizetype position);

private:
    struct CachedLayout {
        std::unique_ptr<QTextLayout> layout;
        quint64 used = 0;
    };

    const ShownLine *shownLine(qsizetype line) const;
    int indexIn(qsizetype line, qsizetype position);

    const TranscriptDocument &m_document;
    QFont m_font;
    QTextOption m_textOption;
    int m_rowHeight = 1;
    int m_width = 0;

    std::map<qsizetype, CachedLayout> m_layouts;
    quint64 m_generation = 0;

    std::vector<ShownLine> m_shown;
    int m_height = 0;
    int m_shownBottom = 0;
    qsizetype m_shownFrom = 0;
    qsizetype m_shownTo = -1;
};
