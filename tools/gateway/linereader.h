#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

// Splits what a client sends into lines, never trusting it.
//
// CR LF, LF and CR alone all end a line (a CR LF split over two reads still counts once).
// NUL and the other control bytes (0x03 and 0x04 of the log-on record among them) are dropped
// wherever they stand, a tab becomes a space; every other byte, valid UTF-8 or not, is kept as
// it came. A line of kTooLong bytes or more (counted as they came, before anything is dropped)
// is thrown away whole, as the classic gateways do, so a client costs at most that much
// memory however much it sends without a line end.
class LineReader {
public:
    static constexpr qsizetype kTooLong = 256;

    // Takes the next bytes and returns the lines they complete, in order.
    QList<QByteArray> feed(QByteArrayView bytes);

    // Bytes of the unfinished line held so far.
    qsizetype pending() const { return m_line.size(); }

private:
    QByteArray m_line;
    qsizetype m_length = 0; // bytes of the unfinished line as they came
    bool m_afterCR = false;
};
