#pragma once

#include "transcript/transcriptdocument.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

// A broken promise ends the run at once, with the condition and its line, so that libFuzzer
// keeps the input that broke it.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// Reads the fuzzer's bytes as a stream of small numbers; past the end everything is 0.
struct ByteReader {
    ByteReader(const unsigned char *data, size_t size)
        : next(data)
        , end(data + size) {}

    bool atEnd() const { return next == end; }
    unsigned byte() { return next < end ? *next++ : 0; }
    unsigned u16() { return byte() | (byte() << 8); }

    const unsigned char *next; // the bytes not read yet run from here to `end`
    const unsigned char *end;
};

// Everything the document's line index promises, checked against its text.
inline void checkDocument(const TranscriptDocument &document) {
    const QString &text = document.text();
    const qsizetype lines = document.lineCount();
    FUZZ_CHECK(lines >= 1);
    FUZZ_CHECK(document.lineStart(0) == 0);
    FUZZ_CHECK(document.length() == text.size());

    qsizetype breaks = 0;
    for (qsizetype line = 0; line < lines; ++line) {
        const qsizetype start = document.lineStart(line);
        const qsizetype end = document.lineEnd(line);
        const qsizetype contentEnd = document.lineContentEnd(line);
        FUZZ_CHECK(start <= contentEnd && contentEnd <= end && end <= text.size());
        FUZZ_CHECK(line + 1 == lines ? end == text.size() : end > start);
        // A line's own characters fit in one piece; its CR LF may follow. The last line may
        // hold one more, a CR whose LF may still come.
        FUZZ_CHECK(contentEnd - start <=
                   TranscriptDocument::maxPieceLength() + (line + 1 == lines));
        const bool lineBreak = document.endsWithLineBreak(line);
        breaks += lineBreak;
        FUZZ_CHECK(end - contentEnd == (lineBreak ? 2 : 0));
        FUZZ_CHECK(!lineBreak || text.sliced(contentEnd, 2) == u"\r\n");
        // No line starts inside a CR LF or a surrogate pair.
        const QStringView seam = QStringView(text).mid(start - 1, 2);
        FUZZ_CHECK(start == 0 || seam != u"\r\n");
        FUZZ_CHECK(start == 0 || seam.size() < 2 ||
                   !(seam[0].isHighSurrogate() && seam[1].isLowSurrogate()));
        FUZZ_CHECK(document.lineAt(start) == line);
        FUZZ_CHECK(end == start || document.lineAt(end - 1) == line);
        FUZZ_CHECK(document.displayText(line).size() == contentEnd - start);
    }
    // Every CR LF in the text ends a line, and only those.
    FUZZ_CHECK(breaks == text.count(u"\r\n"));

    // However the text came about, the index equals one built from scratch.
    TranscriptDocument fresh;
    fresh.setText(text);
    FUZZ_CHECK(fresh.lineCount() == lines);
    for (qsizetype line = 0; line < lines; ++line)
        FUZZ_CHECK(fresh.lineStart(line) == document.lineStart(line));
}
