#include "net/ansicodec.h"

#include <QStringDecoder>

#include <cstring>

namespace {

// Windows-1252 for 0x80 to 0x9F; the five undefined codes keep their Latin-1 value.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Length of the sequence a lead byte starts, 0 when the byte cannot start one.
int sequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Whether `byte` may follow `lead` as the second byte of a sequence. The narrower ranges
// after E0, ED, F0 and F4 rule out overlong forms, surrogates and code points past U+10FFFF.
bool validSecond(unsigned char lead, unsigned char byte) {
    switch (lead) {
    case 0xE0:
        return byte >= 0xA0 && byte <= 0xBF;
    case 0xED:
        return byte >= 0x80 && byte <= 0x9F;
    case 0xF0:
        return byte >= 0x90 && byte <= 0xBF;
    case 0xF4:
        return byte >= 0x80 && byte <= 0x8F;
    default:
        return byte >= 0x80 && byte <= 0xBF;
    }
}

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// How many bytes from `p` form a valid prefix of the sequence that starts there.
int validPrefix(const unsigned char *p, const unsigned char *end, int length) {
    int have = 1;
    if (p + 1 < end && length > 1) {
        if (!validSecond(p[0], p[1]))
            return have;
        ++have;
        while (have < length && p + have < end && isContinuation(p[have]))
            ++have;
    }
    return have;
}

// The end of the run of ASCII bytes from `p` on, looked for eight bytes at a time.
const unsigned char *endOfAscii(const unsigned char *p, const unsigned char *end) {
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        if (word & 0x8080808080808080ULL)
            break;
    }
    while (p < end && *p < 0x80)
        ++p;
    return p;
}

// Decodes [p, end) into `dst`, which has room for one unit per byte. Returns the number of
// units written. When `final` is false, a valid but unfinished sequence at the end is left
// unread and `*rest` points at it; otherwise every byte is decoded.
qsizetype decodeRun(const unsigned char *p, const unsigned char *end, char16_t *dst, bool final,
                    const unsigned char **rest) {
    char16_t *const start = dst;
    while (p < end) {
        // Plain ASCII is by far the most common; Qt's Latin-1 conversion widens a run of it.
        const unsigned char *const asciiEnd = endOfAscii(p, end);
        if (asciiEnd > p) {
            QStringDecoder latin1(QStringDecoder::Latin1);
            dst = reinterpret_cast<char16_t *>(latin1.appendToBuffer(
                reinterpret_cast<QChar *>(dst),
                QByteArrayView(reinterpret_cast<const char *>(p), asciiEnd - p)));
            p = asciiEnd;
        }
        if (p == end)
            break;
        const unsigned char lead = *p;
        if (lead < 0x80) {
            *dst++ = lead;
            ++p;
            continue;
        }
        const int length = sequenceLength(lead);
        const int have = length ? validPrefix(p, end, length) : 0;
        if (length && have == length) {
            char32_t cp = 0;
            switch (length) {
            case 2:
                cp = (char32_t(lead & 0x1F) << 6) | (p[1] & 0x3F);
                break;
            case 3:
                cp = (char32_t(lead & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
                break;
            default:
                cp = (char32_t(lead & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) |
                     (char32_t(p[2] & 0x3F) << 6) | (p[3] & 0x3F);
                break;
            }
            if (cp >= 0x10000) {
                cp -= 0x10000;
                *dst++ = char16_t(0xD800 + (cp >> 10));
                *dst++ = char16_t(0xDC00 + (cp & 0x3FF));
            } else {
                *dst++ = char16_t(cp);
            }
            p += length;
            continue;
        }
        if (length && !final && p + have == end) {
            // A sequence cut off by the end of this piece: the next piece may finish it.
            *rest = p;
            return dst - start;
        }
        *dst++ = windows1252Char(lead);
        ++p;
    }
    *rest = end;
    return dst - start;
}

} // namespace

char16_t windows1252Char(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte;
}

// UTF-8, with Windows-1252 for what is not valid UTF-8. The system's own code page is chosen in
// ansicodec_windows.cpp or ansicodec_portable.cpp, which call this for UTF-8.
void AnsiDecoder::decodeUtf8(QByteArrayView bytes, QString &out) {
    auto p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto end = p + bytes.size();

    if (m_pendingSize > 0) {
        // Finish the sequence held back from the last piece, or give it up once it is
        // plainly broken, before looking at the rest.
        const int length = sequenceLength(m_pending[0]);
        while (m_pendingSize < length && p < end) {
            const bool fits =
                m_pendingSize == 1 ? validSecond(m_pending[0], *p) : isContinuation(*p);
            if (!fits)
                break;
            m_pending[m_pendingSize++] = *p++;
        }
        if (m_pendingSize < length && p == end)
            return;
        const qsizetype at = out.size();
        out.resize(at + m_pendingSize);
        const unsigned char *rest = nullptr;
        const qsizetype n = decodeRun(m_pending, m_pending + m_pendingSize,
                                      reinterpret_cast<char16_t *>(out.data()) + at, true, &rest);
        out.truncate(at + n);
        m_pendingSize = 0;
    }

    const qsizetype at = out.size();
    out.resize(at + (end - p));
    const unsigned char *rest = nullptr;
    const qsizetype n =
        decodeRun(p, end, reinterpret_cast<char16_t *>(out.data()) + at, false, &rest);
    out.truncate(at + n);
    m_pendingSize = int(end - rest);
    std::memcpy(m_pending, rest, size_t(m_pendingSize));
}

QString AnsiDecoder::decode(QByteArrayView bytes) {
    QString out;
    decode(bytes, out);
    return out;
}

void AnsiDecoder::flush(QString &out) {
    for (int i = 0; i < m_pendingSize; ++i)
        out.append(QChar(windows1252Char(m_pending[i])));
    m_pendingSize = 0;
}
