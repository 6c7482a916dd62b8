#include "directory.h"

#include "clientsession.h"

void Directory::add(ClientSession *session) {
    m_users.insert(session->user().name.toLower(), session);
}

void Directory::remove(ClientSession *session) {
    leave(session);
    m_users.remove(session->user().name.toLower());
}

ClientSession *Directory::find(const QByteArray &name) const {
    return m_users.value(name.toLower(), nullptr);
}

QList<ClientSession *> Directory::enter(ClientSession *session, const QByteArray &channel) {
    leave(session);
    const QByteArray key = channel.toLower();
    Channel &entered = m_channels[key];
    if (entered.name.isEmpty())
        entered.name = channel;
    const QList<ClientSession *> before = entered.members;
    entered.members.append(session);
    session->user().channel = key;
    return before;
}

QList<ClientSession *> Directory::leave(ClientSession *session) {
    QByteArray &key = session->user().channel;
    const auto found = m_channels.find(key);
    key.clear();
    if (found == m_channels.end())
        return {};
    found->members.removeAll(session);
    const QList<ClientSession *> staying = found->members;
    if (staying.isEmpty())
        m_channels.erase(found);
    return staying;
}

bool Directory::hasChannel(const QByteArray &channel) const {
    return m_channels.contains(channel.toLower());
}

QList<ClientSession *> Directory::members(const QByteArray &channel) const {
    return m_channels.value(channel.toLower()).members;
}

QByteArray Directory::channelName(const QByteArray &channel) const {
    return m_channels.value(channel.toLower()).name;
}
