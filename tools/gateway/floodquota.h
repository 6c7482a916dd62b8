#pragma once

#include <QList>
#include <QtGlobal>

// The flood protection of the classic gateways: a few lines pass in a burst, the next ones
// are refused, and a client that goes on is disconnected. A line counts one unit for every
// kBytesPerUnit bytes begun; units and lines count for kWindowMs after they came.
class FloodQuota {
public:
    static constexpr int kUnits = 4; // units that pass in one window
    static constexpr int kBytesPerUnit = 40;
    static constexpr int kDisconnectAt = 10; // the line of a burst that ends the connection
    static constexpr qint64 kWindowMs = 5000;

    enum class Verdict { Pass, MessageQuota, LineLengthQuota, Disconnect };

    // Judges a line of `bytes` bytes that came at `nowMs` (a monotonic clock) and counts it.
    Verdict take(qsizetype bytes, qint64 nowMs);

private:
    struct Line {
        qint64 at;
        int units; // 0 for a refused line: it counts towards the disconnect only
    };

    QList<Line> m_recent; // the lines of the window, at most kDisconnectAt
};
