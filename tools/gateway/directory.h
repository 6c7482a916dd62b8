#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>

class ClientSession;

// Who is logged on and who is in which channel. Names and channels are found without regard
// to ASCII letter case; a channel keeps the spelling of whoever opened it and goes away with
// its last member. The sessions are not owned: whoever ends a session removes it first.
class Directory {
public:
    // Adds a logged-on session under its user's name.
    void add(ClientSession *session);
    // Takes the session out of its channel and off the list of users.
    void remove(ClientSession *session);
    ClientSession *find(const QByteArray &name) const;

    // Puts the session into the channel (leaving its old one) and returns the members that
    // were there before it.
    QList<ClientSession *> enter(ClientSession *session, const QByteArray &channel);
    // Takes the session out of its channel and returns the members that stay.
    QList<ClientSession *> leave(ClientSession *session);

    bool hasChannel(const QByteArray &channel) const;
    // The channel's members in the order they came.
    QList<ClientSession *> members(const QByteArray &channel) const;
    // The channel's name as shown.
    QByteArray channelName(const QByteArray &channel) const;

    qsizetype userCount() const { return m_users.size(); }
    qsizetype channelCount() const { return m_channels.size(); }

private:
    struct Channel {
        QByteArray name;
        QList<ClientSession *> members;
    };

    QHash<QByteArray, ClientSession *> m_users;
    QHash<QByteArray, Channel> m_channels;
};
