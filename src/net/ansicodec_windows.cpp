#include "net/ansicodec.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <array>

// Windows: text on the wire follows the code page Windows reports as the system's ANSI code
// page. UTF-8 (65001) takes the same path as on other systems; every other ANSI code page has
// characters of one byte, or of one or two (a lead byte, then a trail byte).

namespace {

constexpr UINT kUtf8CodePage = CP_UTF8;

struct CodePage {
    UINT id = kUtf8CodePage;
    // Bytes that start a character of two bytes.
    std::array<bool, 256> lead = {};
    // What goes out for a character the code page has no code for.
    QByteArray defaultChar = QByteArrayLiteral("?");
    int maxCharSize = 1;
};

// The system's code page never changes while the program runs (changing it takes a restart of
// Windows), so it is asked for once.
const CodePage &systemCodePage() {
    static const CodePage codePage = [] {
        CodePage cp;
        cp.id = GetACP();
        CPINFO info;
        if (cp.id == kUtf8CodePage || !GetCPInfo(cp.id, &info))
            return cp;
        cp.maxCharSize = int(info.MaxCharSize);
        for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i]; i += 2) {
            for (int byte = info.LeadByte[i]; byte <= info.LeadByte[i + 1]; ++byte)
                cp.lead[size_t(byte)] = true;
        }
        cp.defaultChar = info.DefaultChar[1]
                             ? QByteArray(reinterpret_cast<const char *>(info.DefaultChar), 2)
                             : QByteArray(1, char(info.DefaultChar[0]));
        return cp;
    }();
    return codePage;
}

// Decodes exactly the character in [p, p + size) into `dst`; false when the code page has no
// such character.
bool decodeChar(const CodePage &cp, const unsigned char *p, int size, char16_t *dst, int *units) {
    *units = MultiByteToWideChar(cp.id, MB_ERR_INVALID_CHARS, reinterpret_cast<const char *>(p),
                                 size, reinterpret_cast<wchar_t *>(dst), 2);
    return *units > 0;
}

// Decodes [p, end) character by character into `dst` (room for one unit a byte), keeping every
// byte: a lead byte whose trail byte the code page does not take, or a byte it does not define,
// is its Windows-1252 character, and the next byte starts a character again. A lead byte at the
// end is left unread: `*rest` points at what was not read. Returns the units written.
qsizetype decodeEach(const CodePage &cp, const unsigned char *p, const unsigned char *end,
                     char16_t *dst, const unsigned char **rest) {
    char16_t *const start = dst;
    while (p < end) {
        // Every ANSI code page keeps ASCII as it is.
        if (*p < 0x80) {
            *dst++ = *p++;
            continue;
        }
        int units = 0;
        if (cp.lead[*p]) {
            if (p + 1 == end)
                break;
            if (decodeChar(cp, p, 2, dst, &units)) {
                dst += units;
                p += 2;
                continue;
            }
        } else if (decodeChar(cp, p, 1, dst, &units)) {
            dst += units;
            ++p;
            continue;
        }
        *dst++ = windows1252Char(*p++);
    }
    *rest = p;
    return dst - start;
}

} // namespace

unsigned ansiCodePage() {
    return systemCodePage().id;
}

void AnsiDecoder::decode(QByteArrayView bytes, QString &out) {
    if (systemCodePage().id == kUtf8CodePage)
        decodeUtf8(bytes, out);
    else
        decodeCodePage(bytes, out);
}

void AnsiDecoder::decodeCodePage(QByteArrayView bytes, QString &out) {
    const CodePage &cp = systemCodePage();
    auto p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto end = p + bytes.size();
    if (p == end)
        return;
    // A lead byte held back from the last arrival: it and this arrival's first byte form one
    // character, or the lead byte stands alone.
    const qsizetype at = out.size();
    out.resize(at + m_pendingSize + (end - p));
    auto *const dst = reinterpret_cast<char16_t *>(out.data()) + at;
    qsizetype written = 0;
    if (m_pendingSize > 0) {
        const unsigned char pair[2] = {m_pending[0], *p};
        int units = 0;
        if (decodeChar(cp, pair, 2, dst, &units)) {
            written = units;
            ++p;
        } else {
            dst[written++] = windows1252Char(m_pending[0]);
        }
        m_pendingSize = 0;
    }

    // Where the last whole character ends, were every lead byte followed by a valid trail byte.
    const unsigned char *whole = p;
    while (whole < end && !(cp.lead[*whole] && whole + 1 == end))
        whole += cp.lead[*whole] ? 2 : 1;
    const unsigned char *rest = whole;
    // Most arrivals hold only characters of the code page: one call decodes them all.
    const int units =
        whole == p ? 0
                   : MultiByteToWideChar(cp.id, MB_ERR_INVALID_CHARS,
                                         reinterpret_cast<const char *>(p), int(whole - p),
                                         reinterpret_cast<wchar_t *>(dst + written), int(end - p));
    if (units > 0 || whole == p)
        written += units;
    else
        written += decodeEach(cp, p, end, dst + written, &rest);
    out.truncate(at + written);
    m_pendingSize = int(end - rest);
    if (m_pendingSize > 0)
        m_pending[0] = *rest;
}

QByteArray ansiEncode(QStringView text, qsizetype *unencodable) {
    if (unencodable)
        *unencodable = 0;
    const CodePage &cp = systemCodePage();
    if (cp.id == kUtf8CodePage)
        return text.toUtf8();
    if (text.isEmpty())
        return {};
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    // Best-fit mappings (an "a" for an "ā") are not what was typed: such a character is one the
    // code page cannot carry, like any other.
    QByteArray bytes(text.size() * cp.maxCharSize, Qt::Uninitialized);
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(cp.id, WC_NO_BEST_FIT_CHARS, wide, int(text.size()),
                                         bytes.data(), int(bytes.size()), nullptr, &usedDefault);
    if (size > 0 && !usedDefault) {
        bytes.truncate(size);
        return bytes;
    }

    // Character by character, counting those that go out as the default character; a
    // character of two UTF-16 units is one character, and one default character.
    bytes.clear();
    qsizetype lost = 0;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype units =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2
                                                                                             : 1;
        char one[8];
        usedDefault = FALSE;
        const int n = WideCharToMultiByte(cp.id, WC_NO_BEST_FIT_CHARS, wide + i, int(units), one,
                                          int(sizeof one), nullptr, &usedDefault);
        if (n > 0 && !usedDefault) {
            bytes.append(one, n);
        } else {
            bytes += cp.defaultChar;
            ++lost;
        }
        i += units;
    }
    if (unencodable)
        *unencodable = lost;
    return bytes;
}
