#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Text on the wire travels in the system's ANSI code page. On Windows that is the code page
// Windows reports for the system (1252 on Western systems, 1251 Cyrillic, 949 Korean, 936
// Chinese, or 65001 where the user chose UTF-8); elsewhere it is UTF-8.
//
// Decoding keeps its state between calls, so a character whose bytes are split over two
// arrivals comes out whole. A byte the code page cannot decode where it stands (in UTF-8, one
// that is not part of a valid sequence) is decoded as the Windows-1252 character it stands
// for (Latin-1 for the five codes Windows-1252 leaves undefined): whatever a gateway sends,
// nothing is lost or replaced.
class AnsiDecoder {
public:
    // Appends the characters that `bytes` completes to `out`. The bytes of a character that
    // may still be completed by the next call are held back.
    void decode(QByteArrayView bytes, QString &out);
    QString decode(QByteArrayView bytes);

    // Ends the stream: bytes held back are appended as Windows-1252 characters.
    void flush(QString &out);

    // Forgets any bytes held back, for a new stream.
    void reset() { m_pendingSize = 0; }

    bool hasPending() const { return m_pendingSize > 0; }

private:
    void decodeUtf8(QByteArrayView bytes, QString &out);
    // A code page of one or two bytes a character; only Windows has one as its ANSI code page.
    void decodeCodePage(QByteArrayView bytes, QString &out);

    unsigned char m_pending[4] = {};
    int m_pendingSize = 0;
};

// The character a single byte stands for in Windows-1252 (Latin-1 where it is undefined).
char16_t windows1252Char(unsigned char byte);

// The code page text is sent and received in: the system's ANSI code page on Windows, 65001
// (UTF-8) elsewhere.
unsigned ansiCodePage();

// Text to the bytes sent to the gateway. A character the code page has no code for goes out
// as the code page's replacement character (WideCharToMultiByte's default character, "?"),
// and is counted in `*unencodable` when that is given.
QByteArray ansiEncode(QStringView text, qsizetype *unencodable = nullptr);
