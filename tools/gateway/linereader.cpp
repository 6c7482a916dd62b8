#include "linereader.h"

QList<QByteArray> LineReader::feed(QByteArrayView bytes) {
    QList<QByteArray> lines;
    for (const char c : bytes) {
        if (c == '\n' && m_afterCR) {
            m_afterCR = false;
            continue;
        }
        m_afterCR = c == '\r';
        if (c == '\r' || c == '\n') {
            if (m_length < kTooLong)
                lines.append(m_line);
            m_line.clear();
            m_length = 0;
            continue;
        }
        if (++m_length >= kTooLong) {
            m_line.clear();
            continue;
        }
        const auto byte = static_cast<uchar>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7F)
            continue;
        m_line.append(c == '\t' ? ' ' : c);
    }
    return lines;
}
