#include "gatewayserver.h"

#include "clientsession.h"

#include <QTcpSocket>

#include <utility>

GatewayServer::GatewayServer(QObject *parent)
    : QObject(parent)
    , m_logOnTimeout(ClientSession::kDefaultLogOnTimeout) {
    connect(&m_server, &QTcpServer::newConnection, this, &GatewayServer::acceptClients);
}

GatewayServer::~GatewayServer() {
    stop();
}

void GatewayServer::stop() {
    m_server.close();
    // The event loop may be over: each session is ended here and now, while the chat it
    // reports to still exists.
    const QList<ClientSession *> sessions = std::exchange(m_sessions, {});
    for (ClientSession *session : sessions) {
        disconnect(session, nullptr, this, nullptr);
        session->closeNow();
        endSession(session);
        delete session;
    }
}

bool GatewayServer::listen(const QHostAddress &address, quint16 port) {
    return m_server.listen(address, port);
}

void GatewayServer::acceptClients() {
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto *session = new ClientSession(socket, this);
        if (m_sessions.size() >= kMaxClients) {
            session->closeWith("The gateway is full; try again later.");
            connect(session, &ClientSession::closed, session, &QObject::deleteLater);
            continue;
        }
        m_sessions.append(session);
        session->setLogOnTimeout(m_logOnTimeout);
        session->setFloodQuota(m_floodQuota);
        connect(session, &ClientSession::closed, this, [this, session] {
            endSession(session);
            session->deleteLater();
        });
        Q_EMIT clientConnected(session->peer());
        m_chat.addSession(session);
    }
}

void GatewayServer::endSession(ClientSession *session) {
    m_sessions.removeOne(session);
    const QByteArray name = session->isLoggedOn() ? session->user().name : QByteArray();
    m_chat.removeSession(session);
    Q_EMIT clientDisconnected(session->peer(), name);
}
