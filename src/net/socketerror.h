#pragma once

#include <QString>

#include <stdexcept>

// A socket call that the socket refuses at the moment it is made: connecting while the socket
// is not closed, or sending while no connection is open. The handler that made the call ends
// at that step; the one place that runs handlers reports it to the user.
class SocketError : public std::runtime_error {
public:
    enum Kind {
        NotClosed,    // Connect while connecting, connected or not yet closed after an end
        NotConnected, // SendData while no connection is open
        NoSocket,     // the main window, and with it the socket, is gone
    };

    SocketError(Kind kind, const QString &message)
        : std::runtime_error(message.toStdString())
        , m_kind(kind)
        , m_message(message) {}

    Kind kind() const { return m_kind; }
    // The failure in words a user understands.
    QString message() const { return m_message; }

private:
    Kind m_kind;
    QString m_message;
};
