#include "clientsession.h"

#include "wire.h"

#include <QHostAddress>
#include <QTcpSocket>

namespace {

const QByteArray kGreeting =
    QByteArrayLiteral("Brackmoor test gateway: log on with any new name and password to create "
                      "an account.\r\n");
const QByteArray kUsernamePrompt = QByteArrayLiteral("Username: ");
const QByteArray kPasswordPrompt = QByteArrayLiteral("Password: ");
const QByteArray kLoginFailed = QByteArrayLiteral("Login failed.\r\n");

QString describePeer(const QTcpSocket *socket) {
    const QHostAddress address = socket->peerAddress();
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return host + QLatin1Char(':') + QString::number(socket->peerPort());
}

} // namespace

ClientSession::ClientSession(QTcpSocket *socket, QObject *parent)
    : QObject(parent)
    , m_socket(socket)
    , m_peer(describePeer(socket)) {
    m_socket->setParent(this);
    m_socket->setReadBufferSize(kReadPiece);
    connect(m_socket, &QTcpSocket::readyRead, this, &ClientSession::readPending);
    connect(m_socket, &QTcpSocket::disconnected, this, &ClientSession::finish);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this] {
        if (m_socket->state() == QAbstractSocket::UnconnectedState)
            finish();
    });

    m_logOnTimer.setSingleShot(true);
    m_logOnTimer.setInterval(kDefaultLogOnTimeout);
    connect(&m_logOnTimer, &QTimer::timeout, this,
            [this] { closeWith(QByteArrayLiteral("Log-on timed out.")); });
    m_logOnTimer.start();
}

void ClientSession::setLogOnTimeout(int msecs) {
    m_logOnTimer.setInterval(msecs);
    if (m_logOnTimer.isActive())
        m_logOnTimer.start();
}

void ClientSession::greet() {
    write(kGreeting + kUsernamePrompt);
}

void ClientSession::acceptLogOn(const QByteArray &name) {
    m_user.name = name;
    m_stage = Stage::Chat;
    m_logOnTimer.stop();
}

void ClientSession::refuseLogOn() {
    m_stage = Stage::Name;
    write(kLoginFailed + kUsernamePrompt);
}

void ClientSession::send(const QByteArray &line) {
    write(wire::finish(line));
}

void ClientSession::closeWith(const QByteArray &line) {
    if (m_ending)
        return;
    send(line);
    m_ending = true;
    // Closing may report the end at once; let whoever is sending finish first.
    QMetaObject::invokeMethod(
        this, [this] { m_socket->disconnectFromHost(); }, Qt::QueuedConnection);
}

void ClientSession::drop() {
    if (m_ending)
        return;
    m_ending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_socket->abort();
            finish();
        },
        Qt::QueuedConnection);
}

void ClientSession::closeNow() {
    m_ending = true;
    m_socket->flush();
    m_socket->disconnectFromHost();
}

void ClientSession::readPending() {
    const QByteArray bytes = m_socket->read(kReadPiece);
    if (m_ending)
        return;
    for (const QByteArray &line : m_reader.feed(takeOpening(bytes))) {
        if (m_ending)
            break;
        takeLine(line);
    }
    // The read buffer holds no more than one piece, so this is rare; it keeps one flooding
    // client from holding up the others all the same.
    if (m_socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &ClientSession::readPending, Qt::QueuedConnection);
}

QByteArrayView ClientSession::takeOpening(QByteArrayView bytes) {
    while (!bytes.isEmpty() && m_opening != Opening::Done) {
        const char first = bytes.front();
        if (m_opening == Opening::Start) {
            m_opening = first == '\x03' ? Opening::AfterEtx : Opening::Done;
            if (first != '\x03')
                break;
        } else {
            m_opening = Opening::Done;
            if (first != '\x04')
                break;
            m_echo = false;
        }
        bytes = bytes.sliced(1);
    }
    return bytes;
}

void ClientSession::takeLine(const QByteArray &line) {
    switch (m_stage) {
    case Stage::Name:
        if (m_echo)
            write(wire::cutUtf8(line, wire::kMaxLine) + "\r\n");
        m_typedName = line;
        m_stage = Stage::Password;
        write(kPasswordPrompt);
        break;
    case Stage::Password:
        m_stage = Stage::Deciding;
        Q_EMIT credentialsEntered(m_typedName, line);
        if (m_stage == Stage::Deciding)
            refuseLogOn();
        break;
    case Stage::Deciding:
        break;
    case Stage::Chat:
        if (m_echo)
            write(wire::cutUtf8(line, wire::kMaxLine) + "\r\n");
        Q_EMIT lineEntered(line);
        break;
    }
}

void ClientSession::write(const QByteArray &bytes) {
    if (m_ending)
        return;
    m_socket->write(bytes);
    if (m_socket->bytesToWrite() > kMaxPendingOutput)
        drop();
}

void ClientSession::finish() {
    if (m_finished)
        return;
    m_finished = true;
    m_ending = true;
    m_logOnTimer.stop();
    Q_EMIT closed();
}
