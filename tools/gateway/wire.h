#pragma once

#include "userstate.h"

#include <QByteArray>

// The lines the gateway sends, in the numbered style of the classic chat gateways:
//
//   2010 NAME alice
//   1007 CHANNEL "Chat"
//   1001 USER alice 0010 [CHAT]
//   1005 TALK bob 0010 "hello"
//
// Every function returns the line without its CR LF; finish() adds the line end and cuts the
// whole to kMaxLine bytes. Text is handled as bytes: what a client sent is relayed as it came,
// whether or not it is valid UTF-8, and a double quote inside it is not escaped.
namespace wire {

// The longest line the gateway sends, CR LF included.
constexpr int kMaxLine = 255;

QByteArray name(const UserState &user);
QByteArray channel(const QByteArray &channelName);
QByteArray user(const UserState &user);
QByteArray flags(const UserState &user);
QByteArray join(const UserState &user);
QByteArray leave(const UserState &user);
QByteArray talk(const UserState &from, const QByteArray &text);
QByteArray emote(const UserState &from, const QByteArray &text);
QByteArray whisper(const UserState &from, const QByteArray &text);
QByteArray whisperSent(const UserState &to, const QByteArray &text);
QByteArray info(const QByteArray &text);
QByteArray error(const QByteArray &text);

// Appends CR LF and cuts the line to kMaxLine bytes exactly, as the classic gateways do: a line
// that is too long loses its end, closing quote and line end included, and the next line runs
// on after it.
QByteArray finish(const QByteArray &line);

// The first `max` bytes of `bytes`, moved back so that a well-formed UTF-8 character is never
// split. Bytes that are not UTF-8 are cut at `max` exactly.
QByteArray cutUtf8(const QByteArray &bytes, qsizetype max);

} // namespace wire
