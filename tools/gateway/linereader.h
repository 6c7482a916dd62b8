#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// Splits what a client sends into lines, never trusting it.
//
// CR LF, LF and CR alone all end a line (a CR LF split over two reads still counts once).
// NUL and the other control bytes are dropped, a tab becomes a space; every other byte,
// valid UTF-8 or not, is kept as it came. A line is kept to kMaxLine bytes: the rest of a
// longer one is thrown away up to its line end, so a client costs at most that much memory
// however much it sends without a line end.
class LineReader {
public:
    static constexpr qsizetype kMaxLine = 2048;

    // Takes the next bytes and returns the lines they complete, in order.
    QList<QByteArray> feed(QByteArrayView bytes);

    // Bytes of the unfinished line held so far.
    qsizetype pending() const { return m_line.size(); }

private:
    QByteArray m_line;
    bool m_afterCR = false;
};
