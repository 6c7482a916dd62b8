#include "wire.h"

namespace wire {

namespace {

// The product every user shows in this gateway: a chat client.
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

QByteArray name(const UserState &user) {
    return "2010 NAME " + user.name;
}

QByteArray channel(const QByteArray &channelName) {
    return quoted("1007 CHANNEL", channelName);
}

QByteArray user(const UserState &user) {
    return "1001 USER " + user.name + ' ' + user.flags() + ' ' + kProduct;
}

QByteArray flags(const UserState &user) {
    return "1009 USER " + user.name + ' ' + user.flags();
}

QByteArray join(const UserState &user) {
    return "1002 JOIN " + user.name + ' ' + user.flags() + ' ' + kProduct;
}

QByteArray leave(const UserState &user) {
    return "1003 LEAVE " + user.name + ' ' + user.flags();
}

QByteArray talk(const UserState &from, const QByteArray &text) {
    return quoted("1005 TALK " + from.name + ' ' + from.flags(), text);
}

QByteArray emote(const UserState &from, const QByteArray &text) {
    return quoted("1023 EMOTE " + from.name + ' ' + from.flags(), text);
}

QByteArray whisper(const UserState &from, const QByteArray &text) {
    return quoted("1004 WHISPER " + from.name + ' ' + from.flags(), text);
}

QByteArray whisperSent(const UserState &to, const QByteArray &text) {
    return quoted("1010 WHISPER " + to.name + ' ' + to.flags(), text);
}

QByteArray info(const QByteArray &text) {
    return quoted("1018 INFO", text);
}

QByteArray error(const QByteArray &text) {
    return quoted("1019 ERROR", text);
}

QByteArray finish(const QByteArray &line) {
    QByteArray out = line + "\r\n";
    out.truncate(kMaxLine);
    return out;
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
