#pragma once

#include "accountbook.h"
#include "directory.h"

#include <QByteArray>
#include <QHash>
#include <QObject>

#include <optional>

class ClientSession;

// The chat itself: log-on against the accounts, channels, talk and the slash commands.
//
// After log-on a user is in the channel "Chat". A plain line goes to the others in the
// channel as TALK (the sender gets nothing back, or "No one hears you." when alone), and a
// line starting with "/" is a command; the command word is matched without regard to letter
// case. A name that is logged on already cannot log on a second time. Whoever opens a
// channel other than "Chat" becomes its operator (tempOP) until leaving it.
class ChatService : public QObject {
    Q_OBJECT

public:
    // The longest name and channel name taken; a longer name is refused, a longer channel
    // name is cut.
    static constexpr qsizetype kMaxName = 32;
    static constexpr qsizetype kMaxChannel = 64;

    explicit ChatService(QObject *parent = nullptr);

    // Serves a new connection: answers its log-on and its lines.
    void addSession(ClientSession *session);
    // Logs the session off before it goes: the others in its channel see it leave.
    void removeSession(ClientSession *session);

    const Directory &directory() const { return m_directory; }

private:
    using Command = void (ChatService::*)(ClientSession *, const QByteArray &);

    void logOn(ClientSession *session, const QByteArray &typedName, const QByteArray &password);
    void takeLine(ClientSession *session, const QByteArray &line);
    void talk(ClientSession *session, const QByteArray &text);
    void runCommand(ClientSession *session, const QByteArray &line);
    void joinChannel(ClientSession *session, const QByteArray &channel);
    void leaveChannel(ClientSession *session);
    // Sends `line` from `from` to each of `to` that does not squelch `from`.
    void relay(ClientSession *from, const QList<ClientSession *> &to, const QByteArray &line);
    QByteArray channelOf(const ClientSession *session) const;

    void joinCommand(ClientSession *session, const QByteArray &args);
    void rejoinCommand(ClientSession *session, const QByteArray &args);
    void whoCommand(ClientSession *session, const QByteArray &args);
    void whoamiCommand(ClientSession *session, const QByteArray &args);
    void whoisCommand(ClientSession *session, const QByteArray &args);
    void usersCommand(ClientSession *session, const QByteArray &args);
    void timeCommand(ClientSession *session, const QByteArray &args);
    void emoteCommand(ClientSession *session, const QByteArray &args);
    void awayCommand(ClientSession *session, const QByteArray &args);
    void dndCommand(ClientSession *session, const QByteArray &args);
    void whisperCommand(ClientSession *session, const QByteArray &args);
    void operatorCommand(ClientSession *session, const QByteArray &args);
    void squelchCommand(ClientSession *session, const QByteArray &args);
    void unsquelchCommand(ClientSession *session, const QByteArray &args);
    void helpCommand(ClientSession *session, const QByteArray &args);
    void quitCommand(ClientSession *session, const QByteArray &args);

    AccountBook m_accounts;
    Directory m_directory;
    QHash<QByteArray, Command> m_commands;
};
