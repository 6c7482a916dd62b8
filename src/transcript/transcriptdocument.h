#pragma once

#include "transcript/prefault.h"

#include <QList>
#include <QString>
#include <QStringView>

// The transcript's text and its index of display lines, without anything of the screen.
//
// The text is one buffer of UTF-16 code units, kept exactly as given. The index holds the
// start of every display line: a line ends after each CR LF pair (lone CR and lone LF are
// ordinary characters), and a line longer than maxPieceLength() is cut into pieces, because
// laying out and drawing a megabyte of text in one go would stall the window. Pieces are cut
// after a blank near the limit when there is one, never inside a surrogate pair or a CR LF.
//
// Every line's end is decided by the text from its start onward, so the index after any
// sequence of edits equals the index built from scratch over the same text; appending only
// re-examines the last line.
class TranscriptDocument {
public:
    // Where an edit changed the index: lines before firstChangedLine are as they were.
    struct Change {
        qsizetype firstChangedLine = 0;
        qsizetype linesBefore = 0;
        qsizetype linesAfter = 0;
    };

    static constexpr qsizetype maxPieceLength() { return 2048; }

    TranscriptDocument();

    const QString &text() const { return m_text; }
    qsizetype length() const { return m_text.size(); }

    Change setText(const QString &text);
    Change append(QStringView text);
    // Replaces `count` code units at `position` with `text` (both clamped to the text).
    Change replace(qsizetype position, qsizetype count, QStringView text);

    qsizetype lineCount() const { return m_starts.size(); }
    qsizetype lineStart(qsizetype line) const { return m_starts[line]; }
    // End of the line's own characters, before its CR LF if it has one.
    qsizetype lineContentEnd(qsizetype line) const;
    // Start of the next line, or the text's length for the last line.
    qsizetype lineEnd(qsizetype line) const;
    bool endsWithLineBreak(qsizetype line) const;
    // The display line holding `position`: the last one starting at or before it.
    qsizetype lineAt(qsizetype position) const;

    // The line's characters as they are drawn: the same number of code units, one for one,
    // with control characters and other invisible troublemakers replaced by visible symbols.
    QString displayText(qsizetype line) const;
    // The symbol drawn for code unit `c`. A CR at the very end of the text is drawn blank,
    // since the LF that makes it a line break may still be on its way.
    static char16_t displayChar(char16_t c);

private:
    // Start of the line after the one starting at `start`, or -1 when that line is the last.
    qsizetype nextLineStart(qsizetype start) const;
    qsizetype softBreak(qsizetype start) const;
    // Drops every line after `line` and indexes the text from the start of `line` on.
    void reindexFrom(qsizetype line);

    QString m_text;
    QList<qsizetype> m_starts;
    // Keeps the pages just past the end of the text faulted in while it grows.
    Prefaulter m_prefault;
};
