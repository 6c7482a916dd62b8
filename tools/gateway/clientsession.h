#pragma once

#include "linereader.h"
#include "userstate.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QTcpSocket;

// One client connection: reads its lines, walks it through the log-on prompts and writes
// what the gateway has to say to it.
//
// A client opens with byte 0x03; a 0x04 right after it switches off the echo of what the
// client types. A client that opens with anything else is served all the same, as someone
// typing at a terminal: its first byte is the start of the name, and echo stays on. With
// echo on the gateway sends back each line typed (the name and chat lines, never the
// password).
//
// The session never lets a client cost unbounded memory: it reads at most kReadPiece bytes
// at a time, keeps lines to LineReader::kMaxLine bytes and drops the connection when more
// than kMaxPendingOutput bytes wait to be sent to it. Until the client has logged on it has
// the log-on timeout to do so.
class ClientSession : public QObject {
    Q_OBJECT

public:
    static constexpr qint64 kReadPiece = 64 * 1024;
    static constexpr qint64 kMaxPendingOutput = 1024 * 1024;
    static constexpr int kDefaultLogOnTimeout = 5 * 60 * 1000;

    // Takes over `socket`, which must be connected.
    explicit ClientSession(QTcpSocket *socket, QObject *parent = nullptr);

    // "address:port" of the client.
    QString peer() const { return m_peer; }
    bool isLoggedOn() const { return m_stage == Stage::Chat; }
    bool echoes() const { return m_echo; }

    UserState &user() { return m_user; }
    const UserState &user() const { return m_user; }

    void setLogOnTimeout(int msecs);

    // Sends the greeting and the first "Username: ".
    void greet();
    // Answers the credentials of credentialsEntered.
    void acceptLogOn(const QByteArray &name);
    void refuseLogOn();

    // Sends one line; wire::finish cuts it and adds CR LF.
    void send(const QByteArray &line);
    // Sends `line` and then closes the connection in order.
    void closeWith(const QByteArray &line);
    // Ends the connection at once, without sending what is still queued.
    void drop();
    // Hands what is queued to the system and closes in order, without waiting for the event
    // loop; for a gateway that stops.
    void closeNow();

Q_SIGNALS:
    // Name and password as typed. A handler answers with acceptLogOn or refuseLogOn; an
    // unanswered log-on is refused.
    void credentialsEntered(const QByteArray &name, const QByteArray &password);
    // A line typed after log-on.
    void lineEntered(const QByteArray &line);
    // The connection has ended; emitted once.
    void closed();

private:
    enum class Stage { Name, Password, Deciding, Chat };
    enum class Opening { Start, AfterEtx, Done };

    void readPending();
    QByteArrayView takeOpening(QByteArrayView bytes);
    void takeLine(const QByteArray &line);
    void write(const QByteArray &bytes);
    void finish();

    QTcpSocket *m_socket;
    QString m_peer;
    LineReader m_reader;
    QTimer m_logOnTimer;
    Stage m_stage = Stage::Name;
    Opening m_opening = Opening::Start;
    bool m_echo = true;
    bool m_ending = false; // no more reading or writing: the connection is being closed
    bool m_finished = false;
    QByteArray m_typedName;
    UserState m_user;
};
