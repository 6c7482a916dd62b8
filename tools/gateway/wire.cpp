#include "wire.h"

namespace wire {

namespace {

// The flags and product every user shows in this gateway: no special rights, a chat client.
const QByteArray kFlags = QByteArrayLiteral("0010");
const QByteArray kProduct = QByteArrayLiteral("[CHAT]");

QByteArray quoted(const QByteArray &prefix, const QByteArray &text) {
    return prefix + " \"" + text + '"';
}

bool isContinuation(char byte) {
    return (static_cast<uchar>(byte) & 0xC0) == 0x80;
}

// Length of the UTF-8 sequence a lead byte announces, 0 when it is no lead byte.
int sequenceLength(char byte) {
    const auto b = static_cast<uchar>(byte);
    if (b >= 0xC2 && b <= 0xDF)
        return 2;
    if (b >= 0xE0 && b <= 0xEF)
        return 3;
    if (b >= 0xF0 && b <= 0xF4)
        return 4;
    return 0;
}

} // namespace

QByteArray name(const QByteArray &user) {
    return "2010 NAME " + user;
}

QByteArray channel(const QByteArray &channelName) {
    return quoted("1007 CHANNEL", channelName);
}

QByteArray user(const QByteArray &user) {
    return "1001 USER " + user + ' ' + kFlags + ' ' + kProduct;
}

QByteArray join(const QByteArray &user) {
    return "1002 JOIN " + user + ' ' + kFlags + ' ' + kProduct;
}

QByteArray leave(const QByteArray &user) {
    return "1003 LEAVE " + user + ' ' + kFlags;
}

QByteArray talk(const QByteArray &user, const QByteArray &text) {
    return quoted("1005 TALK " + user + ' ' + kFlags, text);
}

QByteArray emote(const QByteArray &user, const QByteArray &text) {
    return quoted("1023 EMOTE " + user + ' ' + kFlags, text);
}

QByteArray whisper(const QByteArray &from, const QByteArray &text) {
    return quoted("1004 WHISPER " + from + ' ' + kFlags, text);
}

QByteArray whisperSent(const QByteArray &to, const QByteArray &text) {
    return quoted("1010 WHISPERSENT " + to + ' ' + kFlags, text);
}

QByteArray info(const QByteArray &text) {
    return quoted("1018 INFO", text);
}

QByteArray error(const QByteArray &text) {
    return quoted("1019 ERROR", text);
}

QByteArray finish(const QByteArray &line) {
    QByteArray out = line;
    if (out.size() > kMaxLine) {
        const qsizetype open = line.indexOf('"');
        if (open >= 0 && line.endsWith('"') && open < kMaxLine - 1) {
            const QByteArray text = line.mid(open + 1, line.size() - open - 2);
            out = line.left(open + 1) + cutUtf8(text, kMaxLine - open - 2) + '"';
        } else {
            out = cutUtf8(line, kMaxLine);
        }
    }
    return out + "\r\n";
}

QByteArray cutUtf8(const QByteArray &bytes, qsizetype max) {
    if (bytes.size() <= max)
        return bytes;
    // Walk back from the cut over at most three continuation bytes to the character's lead.
    qsizetype lead = max;
    while (lead > 0 && max - lead < 3 && isContinuation(bytes.at(lead)))
        --lead;
    const int length = sequenceLength(bytes.at(lead));
    const bool splitsCharacter = lead < max && length > max - lead;
    return bytes.left(splitsCharacter ? lead : max);
}

} // namespace wire
