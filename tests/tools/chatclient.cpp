#include "chatclient.h"

#include <QHostAddress>
#include <QTest>

ChatClient::ChatClient(QObject *parent)
    : QObject(parent) {
    connect(&m_socket, &QTcpSocket::readyRead, this, [this] { m_received += m_socket.readAll(); });
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] { m_received += kClosed; });
}

bool ChatClient::connectTo(const QString &address) {
    m_socket.bind(QHostAddress(address), 0);
    m_socket.connectToHost(QHostAddress(address), kPort);
    return m_socket.waitForConnected();
}

bool ChatClient::logOn(const QString &address, const QByteArray &name, const QByteArray &password) {
    send(connectTo(address) ? "\x03\x04" + name + "\r\n" + password + "\r\n" : QByteArray());
    return !waitFor("they last until it stops.\"\r\n").isNull();
}

void ChatClient::send(const QByteArray &bytes) {
    m_socket.write(bytes);
    m_socket.flush();
}

QByteArray ChatClient::waitFor(const QByteArray &expected, int msecs) {
    if (!QTest::qWaitFor([&] { return m_received.contains(expected); }, msecs)) {
        qWarning() << "waited in vain for" << expected << "having" << m_received.left(500);
        return {};
    }
    const qsizetype end = m_received.indexOf(expected) + expected.size();
    const QByteArray taken = m_received.left(end);
    m_received.remove(0, end);
    return taken;
}

bool ChatClient::expectNext(const QByteArray &expected, int msecs) {
    // On timeout the comparison below tells what came instead.
    (void)QTest::qWaitFor([&] { return m_received.size() >= expected.size(); }, msecs);
    const QByteArray taken = m_received.left(expected.size());
    m_received.remove(0, taken.size());
    if (taken == expected)
        return true;
    qsizetype at = 0;
    while (at < taken.size() && taken.at(at) == expected.at(at))
        ++at;
    qWarning() << "differs at byte" << at << "expected" << expected.mid(at, 80) << "got"
               << taken.mid(at, 80);
    return false;
}

bool ChatClient::expectNothingElse() {
    send("/whoami\r\n");
    return expectNext("1018 INFO \"You are ") && !waitFor("\r\n").isNull();
}
