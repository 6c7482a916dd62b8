#pragma once

#include "chatservice.h"
#include "net/gatewayport.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpServer>

class ClientSession;

// Listens for chat clients and serves them all on the one event loop.
class GatewayServer : public QObject {
    Q_OBJECT

public:
    static constexpr quint16 kPort = kGatewayPort;
    // Connections beyond this are told so and closed, which keeps the memory bounded.
    static constexpr qsizetype kMaxClients = 500;

    explicit GatewayServer(QObject *parent = nullptr);
    ~GatewayServer() override;

    bool listen(const QHostAddress &address, quint16 port = kPort);
    // Stops listening and closes every connection; each is reported as disconnected.
    void stop();
    QString errorString() const { return m_server.errorString(); }
    QHostAddress address() const { return m_server.serverAddress(); }

    // How long a new connection has to log on; applies to later connections.
    void setLogOnTimeout(int msecs) { m_logOnTimeout = msecs; }
    // Whether the flood quota holds (it does unless switched off); applies to later connections.
    void setFloodQuota(bool on) { m_floodQuota = on; }

    qsizetype clientCount() const { return m_sessions.size(); }
    const ChatService &chat() const { return m_chat; }

Q_SIGNALS:
    // `peer` is "address:port".
    void clientConnected(const QString &peer);
    // `name` is the user's name, empty when the client had not logged on.
    void clientDisconnected(const QString &peer, const QByteArray &name);

private:
    void acceptClients();
    void endSession(ClientSession *session);

    QTcpServer m_server;
    ChatService m_chat;
    QList<ClientSession *> m_sessions;
    int m_logOnTimeout;
    bool m_floodQuota = true;
};
