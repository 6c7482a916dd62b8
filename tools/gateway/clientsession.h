#pragma once

#include "floodquota.h"
#include "linereader.h"
#include "userstate.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QTcpSocket;

// One client connection: reads its lines, walks it through the log-on prompts and writes
// what the gateway has to say to it.
//
// As on the classic gateways, nothing is sent before the client's first byte (the 0x03 of
// its log-on record, or whatever a terminal user types first); then comes the greeting and
// "Username: ". The name is echoed, the password never; empty lines are ignored. After log-on
// nothing the client types comes back to it, and its lines pass the flood quota when that is
// on.
//
// The session never lets a client cost unbounded memory: it reads at most kReadPiece bytes
// at a time, LineReader keeps less than one line and the session drops the connection when
// more than kMaxPendingOutput bytes wait to be sent to it. Until the client has logged on it
// has the log-on timeout to do so.
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

    UserState &user() { return m_user; }
    const UserState &user() const { return m_user; }

    void setLogOnTimeout(int msecs);
    void setFloodQuota(bool on) { m_quotaOn = on; }

    // Answers the credentials of credentialsEntered.
    void acceptLogOn(const QByteArray &name);
    void refuseLogOn();

    // Sends one line; wire::finish adds CR LF and cuts it.
    void send(const QByteArray &line);
    // Sends `line` (unless it is empty) and then closes the connection in order.
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
    // A line typed after log-on that the flood quota let pass; never empty.
    void lineEntered(const QByteArray &line);
    // The connection has ended; emitted once.
    void closed();

private:
    enum class Stage { Name, Password, Deciding, Chat };

    void readPending();
    void takeLine(const QByteArray &line);
    // True when the flood quota lets the line pass; answers or disconnects otherwise.
    bool passesQuota(const QByteArray &line);
    void write(const QByteArray &bytes);
    void finish();

    QTcpSocket *m_socket;
    QString m_peer;
    LineReader m_reader;
    FloodQuota m_quota;
    QElapsedTimer m_clock;
    QTimer m_logOnTimer;
    Stage m_stage = Stage::Name;
    bool m_greeted = false;
    bool m_quotaOn = true;
    bool m_ending = false; // no more reading or writing: the connection is being closed
    bool m_finished = false;
    QByteArray m_typedName;
    UserState m_user;
};
