#pragma once

#include "net/gatewayport.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

// A stand-in for a chat gateway in tests: listens on a loopback address of the test's own
// (127.0.0.x, port 6112; never 127.0.0.1, which stays free for a gateway the user runs),
// takes one client at a time and records every byte the client sends.
class FakeGateway : public QObject {
    Q_OBJECT

public:
    static constexpr quint16 kPort = kGatewayPort;

    explicit FakeGateway(const QString &address, QObject *parent = nullptr);

    QString address() const { return m_address.toString(); }

    // Waits until a client has connected.
    bool waitForClient(int msecs = 5000);
    // Waits until at least `count` bytes have been received in all.
    bool waitForBytes(qsizetype count, int msecs = 5000);
    // Waits until the client has closed its side.
    bool waitForClientGone(int msecs = 5000);

    QByteArray received() const { return m_received; }

    // Writes to the client at once.
    void send(const QByteArray &bytes);
    // Closes the connection in order (FIN).
    void closeClient();
    // Resets the connection (RST).
    void resetClient();

    QTcpSocket *client() const { return m_client; }

private:
    QHostAddress m_address;
    QTcpServer m_server;
    QPointer<QTcpSocket> m_client;
    QByteArray m_received;
    bool m_clientGone = false;
};

// Connects the program's socket to `gateway`; true once both ends see the connection.
template<typename Socket> bool connectSocket(Socket &socket, FakeGateway &gateway) {
    socket.setRemoteHost(gateway.address());
    return socket.Connect().ok() && gateway.waitForClient() &&
           QTest::qWaitFor([&] { return socket.State() == Socket::sckConnected; });
}
