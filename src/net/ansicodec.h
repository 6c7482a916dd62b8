#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Text on the wire travels in the system's ANSI code page, which on this platform is UTF-8.
//
// Decoding keeps its state between calls, so a character whose bytes are split over two
// arrivals comes out whole. A byte that is not part of a valid UTF-8 sequence is decoded as
// the Windows-1252 character it stands for (Latin-1 for the five codes Windows-1252 leaves
// undefined): whatever a gateway sends, nothing is lost or replaced.
class AnsiDecoder {
public:
    // Appends the characters that `bytes` completes to `out`. The bytes of a sequence that
    // may still be completed by the next call are held back.
    void decode(QByteArrayView bytes, QString &out);
    QString decode(QByteArrayView bytes);

    // Ends the stream: bytes held back are appended as Windows-1252 characters.
    void flush(QString &out);

    // Forgets any bytes held back, for a new stream.
    void reset() { m_pendingSize = 0; }

    bool hasPending() const { return m_pendingSize > 0; }

private:
    unsigned char m_pending[4] = {};
    int m_pendingSize = 0;
};

// The character a single byte stands for in Windows-1252 (Latin-1 where it is undefined).
char16_t windows1252Char(unsigned char byte);

// Text to the bytes sent to the gateway.
QByteArray ansiEncode(QStringView text);
