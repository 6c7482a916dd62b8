#include "transcript/transcriptunits.h"

#include "transcript/transcriptdocument.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace transcriptunits {

namespace {

QTextBoundaryFinder finderFor(const TranscriptDocument &document,
                              QTextBoundaryFinder::BoundaryType type, qsizetype line) {
    const qsizetype start = document.lineStart(line);
    const QStringView content =
        QStringView(document.text()).mid(start, document.lineContentEnd(line) - start);
    return QTextBoundaryFinder(type, content.data(), content.size());
}

bool startsWord(const QTextBoundaryFinder &finder) {
    return finder.boundaryReasons() & QTextBoundaryFinder::StartOfItem;
}

// Word characters, blanks and the rest, by code point, so that a letter outside the Basic
// Multilingual Plane and a combining mark belong to the word they stand in.
int classOf(char32_t c) {
    if (QChar::isLetterOrNumber(c) || QChar::isMark(c) || c == U'_')
        return 0;
    if (c == U' ' || c == U'\t')
        return 1;
    return 2;
}

char32_t codePointAt(const QString &text, qsizetype i) {
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
    return text.at(i).unicode();
}

char32_t codePointBefore(const QString &text, qsizetype i) {
    if (text.at(i - 1).isLowSurrogate() && i >= 2 && text.at(i - 2).isHighSurrogate())
        return QChar::surrogateToUcs4(text.at(i - 2), text.at(i - 1));
    return text.at(i - 1).unicode();
}

int width(char32_t c) {
    return QChar::requiresSurrogates(c) ? 2 : 1;
}

} // namespace

qsizetype nextCharacter(const TranscriptDocument &document, qsizetype position) {
    if (position >= document.length())
        return document.length();
    const qsizetype line = document.lineAt(position);
    const qsizetype start = document.lineStart(line);
    if (position >= document.lineContentEnd(line))
        return document.lineEnd(line);
    QTextBoundaryFinder finder = finderFor(document, QTextBoundaryFinder::Grapheme, line);
    finder.setPosition(position - start);
    const qsizetype next = finder.toNextBoundary();
    return next < 0 ? document.lineContentEnd(line) : start + next;
}

qsizetype previousCharacter(const TranscriptDocument &document, qsizetype position) {
    if (position <= 0)
        return 0;
    position = std::min(position, document.length());
    qsizetype line = document.lineAt(position);
    if (position == document.lineStart(line)) {
        // Over the line break, or into a line that was cut without one.
        --line;
        if (document.endsWithLineBreak(line))
            return document.lineContentEnd(line);
    }
    const qsizetype start = document.lineStart(line);
    QTextBoundaryFinder finder = finderFor(document, QTextBoundaryFinder::Grapheme, line);
    finder.setPosition(std::min(position, document.lineContentEnd(line)) - start);
    const qsizetype previous = finder.toPreviousBoundary();
    return previous < 0 ? start : start + previous;
}

qsizetype nextWordStart(const TranscriptDocument &document, qsizetype position) {
    position = std::clamp<qsizetype>(position, 0, document.length());
    for (qsizetype line = document.lineAt(position); line < document.lineCount(); ++line) {
        const qsizetype start = document.lineStart(line);
        QTextBoundaryFinder finder = finderFor(document, QTextBoundaryFinder::Word, line);
        finder.setPosition(std::max<qsizetype>(0, position - start));
        if (position < start && startsWord(finder))
            return start;
        while (finder.toNextBoundary() >= 0) {
            if (startsWord(finder))
                return start + finder.position();
        }
    }
    return document.length();
}

qsizetype previousWordStart(const TranscriptDocument &document, qsizetype position) {
    position = std::clamp<qsizetype>(position, 0, document.length());
    for (qsizetype line = document.lineAt(position); line >= 0; --line) {
        const qsizetype start = document.lineStart(line);
        QTextBoundaryFinder finder = finderFor(document, QTextBoundaryFinder::Word, line);
        finder.setPosition(std::min(position, document.lineContentEnd(line)) - start);
        while (finder.toPreviousBoundary() >= 0) {
            if (startsWord(finder))
                return start + finder.position();
        }
    }
    return 0;
}

void runAt(const TranscriptDocument &document, qsizetype position, qsizetype *start,
           qsizetype *end) {
    const QString &text = document.text();
    position = std::clamp<qsizetype>(position, 0, text.size());
    const qsizetype line = document.lineAt(position);
    const qsizetype lineStart = document.lineStart(line);
    const qsizetype lineEnd = document.lineContentEnd(line);
    if (position >= lineEnd) {
        *start = lineEnd;
        *end = document.lineEnd(line);
        return;
    }
    if (position > lineStart && text.at(position).isLowSurrogate())
        --position;
    const int kind = classOf(codePointAt(text, position));
    *start = position;
    *end = position + width(codePointAt(text, position));
    while (*start > lineStart && classOf(codePointBefore(text, *start)) == kind)
        *start -= width(codePointBefore(text, *start));
    while (*end < lineEnd && classOf(codePointAt(text, *end)) == kind)
        *end += width(codePointAt(text, *end));
}

} // namespace transcriptunits
