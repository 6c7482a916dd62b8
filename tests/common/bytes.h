#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Compares two byte strings. Empty when they are equal; otherwise a sentence naming the first
// offset that differs and the bytes from there, for a test's failure message.
QString bytesDiffer(const QByteArray &actual, const QByteArray &expected);

// Fails the current test with the first differing offset when the bytes are not the same.
#define COMPARE_BYTES(actual, expected)                                                            \
    do {                                                                                           \
        const QString difference = bytesDiffer((actual), (expected));                              \
        if (!difference.isEmpty())                                                                 \
            QFAIL(qPrintable(difference));                                                         \
    } while (false)

// What a decoder of the program makes of `bytes` in one piece, flushed at the end.
template<typename Decoder> QString decodeWhole(QByteArrayView bytes) {
    Decoder decoder;
    QString text = decoder.decode(bytes);
    decoder.flush(text);
    return text;
}
