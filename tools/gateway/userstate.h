#pragma once

#include <QByteArray>
#include <QSet>

#include <optional>

// What the gateway knows of one logged-on user.
struct UserState {
    // The most names one user can squelch, so the list stays bounded.
    static constexpr qsizetype kMaxSquelched = 256;

    QByteArray name;    // as shown to others, e.g. "alice" or "alice#2"
    QByteArray channel; // the key of the channel the user is in
    std::optional<QByteArray> away;
    std::optional<QByteArray> dnd;
    QSet<QByteArray> squelched; // lower-case names whose talk this user does not get

    bool isSquelching(const QByteArray &other) const { return squelched.contains(other.toLower()); }
};
