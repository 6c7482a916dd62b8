#include "transcript/transcriptdocument.h"

#include <algorithm>
#include <cstdint>

namespace {

// How far back from the piece limit a blank is looked for to cut a long line at.
constexpr qsizetype kBlankLookBack = 256;

// Drawn for characters that have no picture of their own: C1 controls and the bidirectional
// embeddings, overrides and isolates (shown rather than obeyed, so a line cannot disguise
// its own text).
constexpr char16_t kUnprintable = 0x2B1A; // DOTTED SQUARE

bool isBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}

// The first CR in [p, end), or `end`.
const QChar *findCarriageReturn(const QChar *p, const QChar *end) {
    const qsizetype at = QStringView(p, end - p).indexOf(u'\r');
    return at < 0 ? end : p + at;
}

} // namespace

TranscriptDocument::TranscriptDocument()
    : m_starts{0} {}

TranscriptDocument::Change TranscriptDocument::setText(const QString &text) {
    Change change;
    change.linesBefore = lineCount();
    m_text = text;
    m_starts = {0};
    reindexFrom(0);
    change.linesAfter = lineCount();
    return change;
}

TranscriptDocument::Change TranscriptDocument::append(QStringView text) {
    Change change;
    change.linesBefore = lineCount();
    change.firstChangedLine = lineCount() - 1;
    if (!text.isEmpty()) {
        m_text.append(text);
        m_prefault.ahead(reinterpret_cast<const char *>(m_text.constData()),
                         m_text.size() * qsizetype(sizeof(QChar)),
                         m_text.capacity() * qsizetype(sizeof(QChar)));
        // Every line but the last is final: its end does not depend on what follows.
        reindexFrom(lineCount() - 1);
    }
    change.linesAfter = lineCount();
    return change;
}

TranscriptDocument::Change TranscriptDocument::replace(qsizetype position, qsizetype count,
                                                       QStringView text) {
    position = std::clamp<qsizetype>(position, 0, length());
    count = std::clamp<qsizetype>(count, 0, length() - position);
    if (position == length())
        return append(text);

    Change change;
    change.linesBefore = lineCount();

    // The first line whose end may change: the one holding the edit, or an earlier piece
    // whose cut was chosen by looking at text up to the edit.
    qsizetype first = lineAt(position);
    while (first > 0 && !endsWithLineBreak(first - 1) &&
           lineStart(first - 1) + maxPieceLength() + 2 > position)
        --first;
    change.firstChangedLine = first;

    // Copy `text` first: it may point into our own buffer.
    m_text.replace(position, count, text.toString());

    // Index the edited stretch anew. Once a new line starts past the edit where an old line
    // started (shifted by the change in length), the rest of the old index is still right.
    const qsizetype delta = text.size() - count;
    const qsizetype editEnd = position + text.size();
    QList<qsizetype> fresh;
    qsizetype old = first + 1;
    qsizetype start = lineStart(first);
    for (qsizetype next; (next = nextLineStart(start)) >= 0; start = next) {
        if (next >= editEnd) {
            while (old < m_starts.size() && m_starts[old] + delta < next)
                ++old;
            if (old < m_starts.size() && m_starts[old] + delta == next) {
                m_starts.remove(first + 1, old - first - 1);
                m_starts.insert(first + 1, fresh.size(), 0);
                std::copy(fresh.cbegin(), fresh.cend(), m_starts.begin() + first + 1);
                if (delta != 0) {
                    for (auto it = m_starts.begin() + first + 1 + fresh.size();
                         it != m_starts.end(); ++it)
                        *it += delta;
                }
                change.linesAfter = lineCount();
                return change;
            }
        }
        fresh.append(next);
    }
    m_starts.resize(first + 1);
    m_starts.append(fresh);
    change.linesAfter = lineCount();
    return change;
}

qsizetype TranscriptDocument::lineContentEnd(qsizetype line) const {
    if (line + 1 >= m_starts.size())
        return m_text.size();
    const qsizetype next = m_starts[line + 1];
    return endsWithLineBreak(line) ? next - 2 : next;
}

qsizetype TranscriptDocument::lineEnd(qsizetype line) const {
    return line + 1 < m_starts.size() ? m_starts[line + 1] : m_text.size();
}

bool TranscriptDocument::endsWithLineBreak(qsizetype line) const {
    if (line + 1 >= m_starts.size())
        return false;
    // A piece is never cut right after a CR LF, so a line ending in one ends with a break.
    const qsizetype next = m_starts[line + 1];
    return next >= 2 && m_text.at(next - 2) == u'\r' && m_text.at(next - 1) == u'\n';
}

qsizetype TranscriptDocument::lineAt(qsizetype position) const {
    const auto it = std::upper_bound(m_starts.cbegin(), m_starts.cend(), position);
    return std::max<qsizetype>(0, (it - m_starts.cbegin()) - 1);
}

QString TranscriptDocument::displayText(qsizetype line) const {
    const qsizetype start = lineStart(line);
    const qsizetype end = lineContentEnd(line);
    const QChar *source = m_text.constData();
    QString shown(end - start, Qt::Uninitialized);
    QChar *out = shown.data();
    for (qsizetype i = start; i < end; ++i, ++out) {
        const char16_t c = source[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < end && source[i + 1].isLowSurrogate()) {
            *out++ = source[i];
            *out = source[++i];
        } else if (QChar::isSurrogate(c)) {
            *out = QChar(QChar::ReplacementCharacter);
        } else {
            *out = QChar(displayChar(c));
        }
    }
    if (end == m_text.size() && end > start && source[end - 1] == u'\r')
        shown[end - 1 - start] = u' ';
    return shown;
}

char16_t TranscriptDocument::displayChar(char16_t c) {
    if (c == u'\t')
        return c;
    if (c < 0x20)
        return char16_t(0x2400 + c); // Control Pictures, NUL to US
    if (c == 0x7F)
        return 0x2421; // SYMBOL FOR DELETE
    if (c >= 0x80 && c <= 0x9F)
        return kUnprintable;
    if (c == 0x2028)
        return 0x21B5; // DOWNWARDS ARROW WITH CORNER LEFTWARDS, for the line separator
    if (c == 0x2029)
        return 0x00B6; // PILCROW SIGN, for the paragraph separator
    if ((c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069))
        return kUnprintable;
    return c;
}

qsizetype TranscriptDocument::nextLineStart(qsizetype start) const {
    const qsizetype end = m_text.size();
    const QChar *data = m_text.constData();
    // A line's CR stands at most maxPieceLength() units after its start, with its LF after it.
    const qsizetype crEnd = std::min(end - 1, start + maxPieceLength() + 1);
    for (const QChar *p = data + start; p < data + crEnd; ++p) {
        p = findCarriageReturn(p, data + crEnd);
        if (p == data + crEnd)
            break;
        if (p[1] == u'\n')
            return p - data + 2;
    }
    // Cut a piece only once the text shows that no CR LF ends the line within the limit.
    if (end - start >= maxPieceLength() + 2)
        return softBreak(start);
    return -1;
}

qsizetype TranscriptDocument::softBreak(qsizetype start) const {
    const QChar *data = m_text.constData();
    const qsizetype limit = start + maxPieceLength();
    for (qsizetype cut = limit; cut > limit - kBlankLookBack; --cut) {
        if (isBlank(data[cut - 1].unicode()))
            return cut;
    }
    if (data[limit - 1].isHighSurrogate() && data[limit].isLowSurrogate())
        return limit - 1;
    return limit;
}

void TranscriptDocument::reindexFrom(qsizetype line) {
    m_starts.resize(line + 1);
    qsizetype start = m_starts[line];
    for (qsizetype next; (next = nextLineStart(start)) >= 0; start = next)
        m_starts.append(next);
}
