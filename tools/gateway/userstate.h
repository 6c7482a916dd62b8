#pragma once

#include <QByteArray>
#include <QSet>

#include <optional>

// What the gateway knows of one logged-on user.
struct UserState {
    // The most names one user can squelch, so the list stays bounded.
    static constexpr qsizetype kMaxSquelched = 256;

    QByteArray name;    // as typed at log-on, e.g. "alice"
    QByteArray channel; // the key of the channel the user is in
    bool channelOperator = false;
    std::optional<QByteArray> away;
    std::optional<QByteArray> dnd;
    QSet<QByteArray> squelched; // lower-case names whose talk this user does not get

    // The flags every line about the user carries: 0010 a chat client, 0002 added for the
    // operator of the channel.
    QByteArray flags() const { return channelOperator ? "0012" : "0010"; }
    bool isSquelching(const QByteArray &other) const { return squelched.contains(other.toLower()); }
};
