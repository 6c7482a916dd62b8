#pragma once

#include <QByteArray>

// The flood a gateway sends when a channel is busy: chat lines of 60 characters, each ended
// by CR LF (62 bytes), every one different within a block of about a megabyte that repeats.
namespace chatlines {

constexpr int kLineChars = 60;
constexpr int kLineBytes = kLineChars + 2;

// The repeating block: a whole number of lines.
QByteArray block();

// The largest whole number of lines that fits in `mib` MiB, in bytes.
qint64 floodBytes(int mib);

} // namespace chatlines
