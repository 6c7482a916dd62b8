#include "chatservice.h"

#include "clientsession.h"
#include "wire.h"

#include <QDateTime>
#include <QLocale>

#include <utility>

namespace {

const QByteArray kFirstChannel = QByteArrayLiteral("Chat");
const QByteArray kProductName = QByteArrayLiteral("Chat");
const QByteArray kWelcome = QByteArrayLiteral("Welcome to Brackmoor test gateway!");
const QByteArray kNotLoggedOn = QByteArrayLiteral("That user is not logged on.");

QByteArray withoutLeadingSpaces(const QByteArray &text) {
    qsizetype start = 0;
    while (start < text.size() && text.at(start) == ' ')
        ++start;
    return text.mid(start);
}

// Splits "word rest of the line" into the word and the rest, spaces between them dropped.
std::pair<QByteArray, QByteArray> splitWord(const QByteArray &text) {
    const QByteArray line = withoutLeadingSpaces(text);
    const qsizetype space = line.indexOf(' ');
    if (space < 0)
        return {line, {}};
    return {line.left(space), withoutLeadingSpaces(line.mid(space + 1))};
}

bool isBlank(const QByteArray &text) {
    return text.trimmed().isEmpty();
}

// " (message)" for a status with a message, nothing for one without.
QByteArray inParentheses(const QByteArray &message) {
    return message.isEmpty() ? QByteArray() : " (" + message + ')';
}

// Switches an away or do-not-disturb status: a text sets it with that message, no text turns
// it off when it is on and on when it is off.
bool toggleStatus(std::optional<QByteArray> &status, const QByteArray &text) {
    if (!text.isEmpty())
        status = text;
    else if (status)
        status.reset();
    else
        status = QByteArray();
    return status.has_value();
}

} // namespace

ChatService::ChatService(QObject *parent)
    : QObject(parent) {
    const std::pair<const char *, Command> commands[] = {
        {"join", &ChatService::joinCommand},
        {"j", &ChatService::joinCommand},
        {"rejoin", &ChatService::rejoinCommand},
        {"who", &ChatService::whoCommand},
        {"whoami", &ChatService::whoamiCommand},
        {"whois", &ChatService::whoisCommand},
        {"where", &ChatService::whoisCommand},
        {"whereis", &ChatService::whoisCommand},
        {"users", &ChatService::usersCommand},
        {"time", &ChatService::timeCommand},
        {"me", &ChatService::emoteCommand},
        {"emote", &ChatService::emoteCommand},
        {"away", &ChatService::awayCommand},
        {"dnd", &ChatService::dndCommand},
        {"whisper", &ChatService::whisperCommand},
        {"msg", &ChatService::whisperCommand},
        {"w", &ChatService::whisperCommand},
        {"m", &ChatService::whisperCommand},
        {"kick", &ChatService::operatorCommand},
        {"ban", &ChatService::operatorCommand},
        {"unban", &ChatService::operatorCommand},
        {"designate", &ChatService::operatorCommand},
        {"resign", &ChatService::operatorCommand},
        {"squelch", &ChatService::squelchCommand},
        {"ignore", &ChatService::squelchCommand},
        {"unsquelch", &ChatService::unsquelchCommand},
        {"unignore", &ChatService::unsquelchCommand},
        {"help", &ChatService::helpCommand},
        {"?", &ChatService::helpCommand},
        {"quit", &ChatService::quitCommand},
    };
    for (const auto &[word, command] : commands)
        m_commands.insert(word, command);
}

void ChatService::addSession(ClientSession *session) {
    connect(session, &ClientSession::credentialsEntered, this,
            [this, session](const QByteArray &name, const QByteArray &password) {
                logOn(session, name, password);
            });
    connect(session, &ClientSession::lineEntered, this,
            [this, session](const QByteArray &line) { takeLine(session, line); });
}

void ChatService::removeSession(ClientSession *session) {
    disconnect(session, nullptr, this, nullptr);
    if (m_directory.find(session->user().name) != session)
        return;
    leaveChannel(session);
    m_directory.remove(session);
}

void ChatService::logOn(ClientSession *session, const QByteArray &typedName,
                        const QByteArray &password) {
    // Names go into every line about their user, so a space in one would break those lines.
    const QByteArray name = typedName.trimmed();
    const bool usable = !name.isEmpty() && name.size() <= kMaxName && !name.contains(' ');
    const std::optional<QByteArray> account =
        usable ? m_accounts.logOn(name, password) : std::nullopt;
    if (!account || m_directory.find(*account)) {
        session->refuseLogOn();
        return;
    }
    session->acceptLogOn(*account);
    m_directory.add(session);
    session->send(wire::name(session->user()));
    joinChannel(session, kFirstChannel);
    session->send(wire::info(kWelcome));
    session->send(wire::error("This gateway creates accounts on first use; they last until it "
                              "stops."));
}

void ChatService::takeLine(ClientSession *session, const QByteArray &line) {
    if (line.startsWith('/'))
        runCommand(session, line);
    else if (!isBlank(line))
        talk(session, line);
}

void ChatService::talk(ClientSession *session, const QByteArray &text) {
    QList<ClientSession *> others = m_directory.members(session->user().channel);
    others.removeAll(session);
    if (others.isEmpty()) {
        session->send(wire::info("No one hears you."));
        return;
    }
    relay(session, others, wire::talk(session->user(), text));
}

void ChatService::runCommand(ClientSession *session, const QByteArray &line) {
    // The command word follows the slash at once: "/ join" is no command.
    const QByteArray body = line.mid(1);
    const qsizetype space = body.indexOf(' ');
    const QByteArray word = space < 0 ? body : body.left(space);
    const QByteArray args = space < 0 ? QByteArray() : body.mid(space + 1);
    const Command command = m_commands.value(word.toLower(), nullptr);
    if (!command) {
        session->send(wire::error("Unknown command."));
        return;
    }
    (this->*command)(session, args);
}

void ChatService::joinChannel(ClientSession *session, const QByteArray &channel) {
    leaveChannel(session);
    const QList<ClientSession *> before = m_directory.enter(session, channel);
    UserState &user = session->user();
    session->send(wire::channel(m_directory.channelName(user.channel)));
    // Whoever opens a channel runs it, except the public channel everyone logs on to.
    if (before.isEmpty() && user.channel != kFirstChannel.toLower()) {
        session->send(wire::info("you are now tempOP for this channel"));
        session->send(wire::user(user));
        user.channelOperator = true;
        session->send(wire::flags(user));
        return;
    }
    for (const ClientSession *member : m_directory.members(user.channel))
        session->send(wire::user(member->user()));
    for (ClientSession *member : before)
        member->send(wire::join(user));
}

void ChatService::leaveChannel(ClientSession *session) {
    const UserState leaving = session->user();
    session->user().channelOperator = false;
    for (ClientSession *member : m_directory.leave(session))
        member->send(wire::leave(leaving));
}

void ChatService::relay(ClientSession *from, const QList<ClientSession *> &to,
                        const QByteArray &line) {
    for (ClientSession *member : to) {
        if (!member->user().isSquelching(from->user().name))
            member->send(line);
    }
}

QByteArray ChatService::channelOf(const ClientSession *session) const {
    return m_directory.channelName(session->user().channel);
}

void ChatService::joinCommand(ClientSession *session, const QByteArray &args) {
    const QByteArray channel = wire::cutUtf8(args.trimmed(), kMaxChannel).trimmed();
    if (channel.isEmpty()) {
        session->send(wire::error("What channel do you want to join?"));
        return;
    }
    joinChannel(session, channel);
}

void ChatService::rejoinCommand(ClientSession *session, const QByteArray &) {
    joinChannel(session, channelOf(session));
}

void ChatService::whoCommand(ClientSession *session, const QByteArray &args) {
    const QByteArray asked = args.trimmed();
    const QByteArray channel = asked.isEmpty() ? channelOf(session) : asked;
    if (!m_directory.hasChannel(channel)) {
        session->send(wire::error("That channel does not exist."));
        return;
    }
    QByteArray list = "Users in channel " + m_directory.channelName(channel) + ':';
    for (const ClientSession *member : m_directory.members(channel))
        list += ' ' + member->user().name;
    session->send(wire::info(list));
}

void ChatService::whoamiCommand(ClientSession *session, const QByteArray &) {
    session->send(wire::info("You are " + session->user().name + ", using " + kProductName +
                             " in the channel " + channelOf(session) + '.'));
}

void ChatService::whoisCommand(ClientSession *session, const QByteArray &args) {
    const ClientSession *target = m_directory.find(splitWord(args).first);
    if (!target) {
        session->send(wire::info("User is offline"));
        return;
    }
    const UserState &user = target->user();
    session->send(wire::info(user.name + " is using " + kProductName +
                             " and is currently in channel \"" + channelOf(target) + "\"."));
    if (user.away)
        session->send(wire::info(user.name + " is away" + inParentheses(*user.away)));
    if (user.dnd)
        session->send(wire::info(user.name + " is refusing messages" + inParentheses(*user.dnd)));
}

void ChatService::usersCommand(ClientSession *session, const QByteArray &) {
    const qsizetype users = m_directory.userCount();
    const qsizetype channels = m_directory.channelCount();
    session->send(wire::info("There are currently " + QByteArray::number(users) +
                             (users == 1 ? " user" : " users") + " in " +
                             QByteArray::number(channels) +
                             (channels == 1 ? " channel" : " channels") + " on this gateway."));
}

void ChatService::timeCommand(ClientSession *session, const QByteArray &) {
    const QString now =
        QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("ddd MMM d hh:mm:ss"));
    session->send(wire::info("Gateway time: " + now.toLatin1()));
}

void ChatService::emoteCommand(ClientSession *session, const QByteArray &args) {
    if (isBlank(args)) {
        session->send(wire::error("What do you want to emote?"));
        return;
    }
    relay(session, m_directory.members(session->user().channel),
          wire::emote(session->user(), args));
}

void ChatService::awayCommand(ClientSession *session, const QByteArray &args) {
    const bool away = toggleStatus(session->user().away, args.trimmed());
    session->send(wire::info(away ? "You are now marked as being away."
                                  : "You are no longer marked as away."));
}

void ChatService::dndCommand(ClientSession *session, const QByteArray &args) {
    const bool dnd = toggleStatus(session->user().dnd, args.trimmed());
    session->send(
        wire::info(dnd ? "Do Not Disturb mode engaged." : "Do Not Disturb mode cancelled."));
}

void ChatService::whisperCommand(ClientSession *session, const QByteArray &args) {
    const auto [name, text] = splitWord(args);
    ClientSession *target = m_directory.find(name);
    if (!target) {
        session->send(wire::error(kNotLoggedOn));
        return;
    }
    if (isBlank(text)) {
        session->send(wire::error("What do you want to say?"));
        return;
    }
    const UserState &to = target->user();
    if (to.dnd) {
        session->send(wire::info(to.name + " is unavailable" + inParentheses(*to.dnd)));
        return;
    }
    if (!to.isSquelching(session->user().name))
        target->send(wire::whisper(session->user(), text));
    session->send(wire::whisperSent(to, text));
    if (to.away)
        session->send(wire::info(to.name + " is away" + inParentheses(*to.away)));
}

void ChatService::operatorCommand(ClientSession *session, const QByteArray &) {
    session->send(wire::error(session->user().channelOperator
                                  ? "This gateway keeps no bans and kicks no one."
                                  : "You are not a channel operator."));
}

void ChatService::squelchCommand(ClientSession *session, const QByteArray &args) {
    const ClientSession *target = m_directory.find(splitWord(args).first);
    UserState &user = session->user();
    if (!target) {
        session->send(wire::error(kNotLoggedOn));
    } else if (target == session) {
        session->send(wire::error("You cannot squelch yourself."));
    } else if (user.squelched.size() >= UserState::kMaxSquelched) {
        session->send(wire::error("Your squelch list is full."));
    } else {
        user.squelched.insert(target->user().name.toLower());
        session->send(wire::info(target->user().name + " has been squelched."));
    }
}

void ChatService::unsquelchCommand(ClientSession *session, const QByteArray &args) {
    const QByteArray name = splitWord(args).first;
    if (session->user().squelched.remove(name.toLower()))
        session->send(wire::info(name + " has been unsquelched."));
    else
        session->send(wire::error("That user is not squelched."));
}

void ChatService::helpCommand(ClientSession *session, const QByteArray &) {
    session->send(wire::info("Chat commands: /join CHANNEL, /rejoin, /who CHANNEL, /whoami, "
                             "/whois NAME (/where, /whereis), /users, /time, /me TEXT,"));
    session->send(wire::info("/away [TEXT], /dnd [TEXT], /whisper NAME TEXT (/msg, /w, /m), "
                             "/squelch NAME (/ignore), /unsquelch NAME (/unignore),"));
    session->send(wire::info(
        "/kick NAME, /ban NAME, /unban NAME, /designate NAME, /resign, /help (/?), /quit."));
}

void ChatService::quitCommand(ClientSession *session, const QByteArray &) {
    session->closeWith(wire::info("Connection closed."));
}
