#include "chatlines.h"

namespace chatlines {

QByteArray block() {
    static const char kWords[] = "the quick brown fox jumps over a lazy dog while the channel "
                                 "floods with ordinary chat text of all kinds ";
    constexpr int kLines = (1024 * 1024) / kLineBytes + 1;
    QByteArray out;
    out.reserve(kLines * kLineBytes);
    for (int i = 0; i < kLines; ++i) {
        QByteArray line("1005 TALK user");
        line += QByteArray::number(i % 97);
        line += " 0010 \"";
        line += QByteArray::number(i);
        line += ' ';
        for (int w = i % 23; line.size() < kLineChars - 1; ++w)
            line += kWords[w % (sizeof kWords - 1)];
        line += "\"\r\n";
        out += line;
    }
    return out;
}

qint64 floodBytes(int mib) {
    return (qint64(mib) * 1024 * 1024 / kLineBytes) * kLineBytes;
}

} // namespace chatlines
