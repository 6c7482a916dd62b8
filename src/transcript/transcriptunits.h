#pragma once

#include <QtGlobal>

class TranscriptDocument;

// The units the caret and the text interface step by, in a transcript's text: characters as
// the user sees them (grapheme clusters, as QTextBoundaryFinder defines them; a CR LF is one)
// and words. Each question looks at one display line at a time, so none costs more than a
// line's worth of text however long the transcript is.
namespace transcriptunits {

// The caret position after / before `position`: one grapheme cluster on, or over the line
// break.
qsizetype nextCharacter(const TranscriptDocument &document, qsizetype position);
qsizetype previousCharacter(const TranscriptDocument &document, qsizetype position);

// The start of the next word after `position` (the end of the text when none follows), and
// the start of the word before it (0 when none precedes); words as QTextBoundaryFinder has
// them, across line breaks.
qsizetype nextWordStart(const TranscriptDocument &document, qsizetype position);
qsizetype previousWordStart(const TranscriptDocument &document, qsizetype position);

// The run around `position` within its display line of word characters, of blanks, or of
// other characters (what a double click selects). At the end of a line: its line break.
void runAt(const TranscriptDocument &document, qsizetype position, qsizetype *start,
           qsizetype *end);

} // namespace transcriptunits
