#include "chatclient.h"

#include <QHostAddress>
#include <QTest>

ChatClient::ChatClient(QObject *parent)
    : QObject(parent) {
    connect(&m_socket, &QTcpSocket::readyRead, this, [this] { m_received += m_socket.readAll(); });
    connect(&m_socket, &QTcpSocket::disconnected, this, [this] { m_closed = true; });
}

bool ChatClient::connectTo(const QString &address, int msecs) {
    m_socket.bind(QHostAddress(address), 0);
    m_socket.connectToHost(QHostAddress(address), kPort);
    return QTest::qWaitFor([this] { return m_socket.state() == QAbstractSocket::ConnectedState; },
                           msecs);
}

bool ChatClient::logOn(const QString &address, const QByteArray &name, const QByteArray &password) {
    if (!connectTo(address) || waitFor("Username: ").isNull())
        return false;
    send("\x03\x04" + name + "\r\n" + password + "\r\n");
    const QByteArray answer = waitFor("1018 INFO \"Welcome to Brackmoor test gateway!\"\r\n");
    const qsizetype start = answer.indexOf("2010 NAME ");
    if (start < 0)
        return false;
    const qsizetype end = answer.indexOf("\r\n", start);
    m_name = answer.mid(start + 10, end - start - 10);
    return true;
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
    const QByteArray taken = waitFor(expected, msecs);
    if (taken != expected) {
        qWarning() << "expected" << expected << "got" << taken;
        return false;
    }
    return true;
}

bool ChatClient::expectNothingElse() {
    send("/whoami\r\n");
    return expectNext("1018 INFO \"You are ") && !waitFor("\r\n").isNull();
}

bool ChatClient::waitForClosed(int msecs) {
    return QTest::qWaitFor([this] { return m_closed; }, msecs);
}
