#pragma once

#include "net/socketresult.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class Winsock;

// What a connection window is handed when it is opened: the main window's socket, and the
// place that tells the user when the socket refuses a call or cannot send text as typed. The
// socket belongs to the main window; once that is closed the socket is gone with it, and the
// link acts as a closed socket would: the state is sckClosed, and connecting or sending is
// refused.
class GatewayLink {
public:
    using Reporter = std::function<void(const SocketResult &)>;

    GatewayLink(Winsock *socket, Reporter report);

    // The socket's state (a Winsock::StateValue); sckClosed once the socket is gone.
    int state() const;

    // Connects the socket over TCP to `host` (used exactly as given) on the gateway port and
    // returns at once. False when the socket refuses; the refusal has then been reported.
    [[nodiscard]] bool connectTo(const QString &host);

    // Sends the lines, each ended by CR LF, in one send. False when the socket refuses; the
    // refusal has then been reported, as have characters that could not be sent as typed.
    [[nodiscard]] bool sendLines(const QStringList &lines);

    // The local IPv4 address as dotted text, with or without a connection.
    QString localIP() const;

private:
    bool report(const SocketResult &result) const;

    QPointer<Winsock> m_socket;
    Reporter m_report;
};
