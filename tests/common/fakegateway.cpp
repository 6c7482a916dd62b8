#include "fakegateway.h"

#include <QTest>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

FakeGateway::FakeGateway(const QString &address, QObject *parent)
    : QObject(parent)
    , m_address(address) {
    Q_ASSERT(m_address != QHostAddress(QHostAddress::LocalHost));
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            m_client = socket;
            m_clientGone = false;
            connect(socket, &QTcpSocket::readyRead, this,
                    [this, socket] { m_received += socket->readAll(); });
            connect(socket, &QTcpSocket::disconnected, this, [this] { m_clientGone = true; });
        }
    });
    m_server.listen(m_address, kPort);
}

bool FakeGateway::waitForClient(int msecs) {
    return QTest::qWaitFor([this] { return !m_client.isNull(); }, msecs);
}

bool FakeGateway::waitForBytes(qsizetype count, int msecs) {
    return QTest::qWaitFor([this, count] { return m_received.size() >= count; }, msecs);
}

bool FakeGateway::waitForClientGone(int msecs) {
    return QTest::qWaitFor([this] { return m_clientGone; }, msecs);
}

void FakeGateway::send(const QByteArray &bytes) {
    if (!m_client)
        return;
    m_client->write(bytes);
    m_client->flush();
}

void FakeGateway::closeClient() {
    if (m_client) {
        m_client->flush();
        m_client->disconnectFromHost();
    }
}

void FakeGateway::resetClient() {
    if (!m_client)
        return;
    // A zero linger time makes the close a reset.
    struct linger lingerOption = {1, 0};
    ::setsockopt(m_client->socketDescriptor(), SOL_SOCKET, SO_LINGER,
                 reinterpret_cast<const char *>(&lingerOption), sizeof lingerOption);
    m_client->abort();
}
