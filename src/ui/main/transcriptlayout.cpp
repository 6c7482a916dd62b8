#include "ui/main/transcriptlayout.h"

#include "transcript/transcriptdocument.h"

#include <QFontMetrics>
#include <QTextLayout>

#include <algorithm>

namespace {

constexpr std::size_t kLayoutCacheLimit = 512;

} // namespace

TranscriptLayout::TranscriptLayout(const TranscriptDocument &document)
    : m_document(document) {
    m_textOption.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Every line is laid out on its own with a fixed left-to-right base direction, so no
    // character in one line can reorder another.
    m_textOption.setTextDirection(Qt::LeftToRight);
    m_textOption.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
    setFont(m_font);
}

TranscriptLayout::~TranscriptLayout() = default;

void TranscriptLayout::setFont(const QFont &font) {
    m_font = font;
    const QFontMetrics metrics(font);
    m_rowHeight = std::max(1, metrics.lineSpacing());
    // Tab stops every eight average characters, as in a classic text box.
    m_textOption.setTabStopDistance(8 * std::max(1, metrics.averageCharWidth()));
    m_layouts.clear();
}

void TranscriptLayout::setWidth(int width) {
    if (width == m_width)
        return;
    m_width = width;
    m_layouts.clear();
}

void TranscriptLayout::invalidateFrom(qsizetype line) {
    m_layouts.erase(m_layouts.lower_bound(line), m_layouts.end());
}

QTextLayout *TranscriptLayout::layoutFor(qsizetype line) {
    auto it = m_layouts.find(line);
    if (it == m_layouts.end()) {
        auto layout = std::make_unique<QTextLayout>(m_document.displayText(line), m_font);
        layout->setTextOption(m_textOption);
        layout->setCacheEnabled(true);
        layout->beginLayout();
        for (int row = 0;; ++row) {
            QTextLine textLine = layout->createLine();
            if (!textLine.isValid())
                break;
            textLine.setLineWidth(std::max(1, m_width));
            textLine.setPosition(QPointF(0, qreal(row) * m_rowHeight));
        }
        layout->endLayout();
        it = m_layouts.emplace(line, CachedLayout{std::move(layout), 0}).first;
    }
    it->second.used = m_generation;
    return it->second.layout.get();
}

int TranscriptLayout::rowsOf(qsizetype line) {
    return std::max(1, layoutFor(line)->lineCount());
}

TranscriptLayout::Row TranscriptLayout::lastRow() {
    const qsizetype line = m_document.lineCount() - 1;
    return Row{line, rowsOf(line) - 1};
}

TranscriptLayout::Row TranscriptLayout::advance(Row from, qsizetype rows) {
    const qsizetype lastLine = m_document.lineCount() - 1;
    from.line = std::clamp<qsizetype>(from.line, 0, lastLine);
    from.row = std::clamp(from.row, 0, rowsOf(from.line) - 1);
    while (rows > 0) {
        const int below = rowsOf(from.line) - 1 - from.row;
        if (rows <= below) {
            from.row += int(rows);
            return from;
        }
        if (from.line == lastLine) {
            from.row += below;
            return from;
        }
        rows -= below + 1;
        ++from.line;
        from.row = 0;
    }
    while (rows < 0) {
        if (-rows <= from.row) {
            from.row += int(rows);
            return from;
        }
        if (from.line == 0) {
            from.row = 0;
            return from;
        }
        rows += from.row + 1;
        --from.line;
        from.row = rowsOf(from.line) - 1;
    }
    return from;
}

int TranscriptLayout::indexIn(qsizetype line, qsizetype position) {
    return int(std::clamp<qsizetype>(position - m_document.lineStart(line), 0,
                                     layoutFor(line)->text().size()));
}

TranscriptLayout::Row TranscriptLayout::rowOf(qsizetype position) {
    const qsizetype line = m_document.lineAt(position);
    const QTextLine textLine = layoutFor(line)->lineForTextPosition(indexIn(line, position));
    return Row{line, textLine.isValid() ? textLine.lineNumber() : 0};
}

qsizetype TranscriptLayout::positionInRow(Row row, qreal x) {
    QTextLayout *layout = layoutFor(row.line);
    const QTextLine textLine = layout->lineAt(std::clamp(row.row, 0, layout->lineCount() - 1));
    const qsizetype index = textLine.isValid() ? textLine.xToCursor(x) : 0;
    return std::min(m_document.lineStart(row.line) + index, m_document.lineContentEnd(row.line));
}

qreal TranscriptLayout::xOf(qsizetype position) {
    const Row row = rowOf(position);
    return layoutFor(row.line)->lineAt(row.row).cursorToX(indexIn(row.line, position));
}

void TranscriptLayout::rowBounds(qsizetype position, qsizetype *start, qsizetype *end) {
    const Row row = rowOf(std::clamp<qsizetype>(position, 0, m_document.length()));
    QTextLayout *layout = layoutFor(row.line);
    const QTextLine textLine = layout->lineAt(row.row);
    *start = m_document.lineStart(row.line) + textLine.textStart();
    *end = row.row + 1 < layout->lineCount() ? *start + textLine.textLength()
                                             : m_document.lineEnd(row.line);
}

qsizetype TranscriptLayout::rowEdge(qsizetype position, bool toEnd) {
    const Row row = rowOf(position);
    QTextLayout *layout = layoutFor(row.line);
    const QTextLine textLine = layout->lineAt(row.row);
    const qsizetype rowStart = m_document.lineStart(row.line) + textLine.textStart();
    if (!toEnd)
        return rowStart;
    qsizetype end = rowStart + textLine.textLength();
    // The end of a wrapped row is the start of the next one: stop before the blank the row
    // was broken at, so the caret stays on this row.
    if (row.row + 1 < layout->lineCount() && end > rowStart &&
        m_document.text().at(end - 1).isSpace())
        --end;
    return std::min(end, m_document.lineContentEnd(row.line));
}

void TranscriptLayout::layOut(Row top, int height) {
    // Layouts no frame has used since the last one go once there are many of them.
    if (m_layouts.size() > kLayoutCacheLimit) {
        for (auto it = m_layouts.begin(); it != m_layouts.end();)
            it = it->second.used == m_generation ? std::next(it) : m_layouts.erase(it);
    }
    ++m_generation;

    m_height = height;
    m_shown.clear();
    const qsizetype lastLine = m_document.lineCount() - 1;
    int y = -top.row * m_rowHeight;
    for (qsizetype line = top.line; line <= lastLine && (y < height || m_shown.empty()); ++line) {
        m_shown.push_back(ShownLine{line, y});
        y += rowsOf(line) * m_rowHeight;
    }
    m_shownBottom = y;
    m_shownFrom = m_document.lineStart(top.line);
    m_shownTo = m_document.lineEnd(m_shown.back().line);
}

const TranscriptLayout::ShownLine *TranscriptLayout::shownLine(qsizetype line) const {
    for (const ShownLine &shown : m_shown) {
        if (shown.line == line)
            return &shown;
    }
    return nullptr;
}

qsizetype TranscriptLayout::positionAt(const QPoint &point) {
    if (m_shown.empty())
        return 0;
    const ShownLine *hit = &m_shown.front();
    for (const ShownLine &shown : m_shown) {
        if (shown.y > point.y())
            break;
        hit = &shown;
    }
    const int row = point.y() < hit->y ? 0 : (point.y() - hit->y) / m_rowHeight;
    return positionInRow(Row{hit->line, std::min(row, rowsOf(hit->line) - 1)}, point.x());
}

QRect TranscriptLayout::positionRect(qsizetype position) {
    position = std::clamp<qsizetype>(position, 0, m_document.length());
    const qsizetype line = m_document.lineAt(position);
    const ShownLine *shown = shownLine(line);
    if (!shown)
        return QRect();
    const int index = indexIn(line, position);
    const QTextLine textLine = layoutFor(line)->lineForTextPosition(index);
    if (!textLine.isValid())
        return QRect(0, shown->y, 1, m_rowHeight);
    const int y = shown->y + textLine.lineNumber() * m_rowHeight;
    if (y >= m_height || y + m_rowHeight <= 0)
        return QRect();
    return QRect(qRound(textLine.cursorToX(index)), y, 1, m_rowHeight);
}
