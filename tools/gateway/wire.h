#pragma once

#include <QByteArray>
#include <QStringBuilder>

// The lines the gateway sends, in the numbered style of the classic chat gateways:
//
//   2010 NAME alice
//   1007 CHANNEL "Chat"
//   1001 USER alice 0010 [CHAT]
//   1005 TALK bob 0010 "hello"
//
// Every function returns the line without its CR LF; finish() cuts it and adds the line end.
// Text is handled as bytes: what a client sent is relayed as it came, whether or not it is
// valid UTF-8.
namespace wire {

// The longest line the gateway sends, without its CR LF.
constexpr int kMaxLine = 255;

QByteArray name(const QByteArray &user);
QByteArray channel(const QByteArray &channelName);
QByteArray user(const QByteArray &user);
QByteArray join(const QByteArray &user);
QByteArray leave(const QByteArray &user);
QByteArray talk(const QByteArray &user, const QByteArray &text);
QByteArray emote(const QByteArray &user, const QByteArray &text);
QByteArray whisper(const QByteArray &from, const QByteArray &text);
QByteArray whisperSent(const QByteArray &to, const QByteArray &text);
QByteArray info(const QByteArray &text);
QByteArray error(const QByteArray &text);

// Cuts `line` to kMaxLine bytes and appends CR LF. A quoted line keeps its closing quote:
// the text inside the quotes is shortened instead.
QByteArray finish(const QByteArray &line);

// The first `max` bytes of `bytes`, moved back so that a well-formed UTF-8 character is never
// split. Bytes that are not UTF-8 are cut at `max` exactly.
QByteArray cutUtf8(const QByteArray &bytes, qsizetype max);

} // namespace wire
