#include "clientsession.h"

#include "wire.h"

#include <QHostAddress>
#include <QTcpSocket>

namespace {

// Unlike a real gateway this one creates an account the first time a name logs on, and says
// so before the first prompt.
const QByteArray kGreeting = QByteArrayLiteral(
    "Brackmoor test gateway: a local chat gateway for trying the client offline.\r\n"
    "Log on with any new name and password to create an account; it lasts as long as the\r\n"
    "gateway runs, and from then on the password must match.\r\n"
    "\r\n");
const QByteArray kUsernamePrompt = QByteArrayLiteral("Username: ");
const QByteArray kPasswordPrompt = QByteArrayLiteral("Password: ");
const QByteArray kLoginFailed = QByteArrayLiteral("Login failed.\r\n\r\n");

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
    m_clock.start();
}

void ClientSession::setLogOnTimeout(int msecs) {
    m_logOnTimer.setInterval(msecs);
    if (m_logOnTimer.isActive())
        m_logOnTimer.start();
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
    if (!line.isEmpty())
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
    if (!m_greeted && !bytes.isEmpty()) {
        m_greeted = true;
        write(kGreeting + kUsernamePrompt);
    }
    for (const QByteArray &line : m_reader.feed(bytes)) {
        if (m_ending)
            break;
        takeLine(line);
    }
    // The read buffer holds no more than one piece, so this is rare; it keeps one flooding
    // client from holding up the others all the same.
    if (m_socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &ClientSession::readPending, Qt::QueuedConnection);
}

void ClientSession::takeLine(const QByteArray &line) {
    if (line.isEmpty())
        return;
    switch (m_stage) {
    case Stage::Name:
        write(line + "\r\n" + kPasswordPrompt);
        m_typedName = line;
        m_stage = Stage::Password;
        break;
    case Stage::Password:
        // The password's own line end, which the gateway does not echo either.
        write("\r\n");
        m_stage = Stage::Deciding;
        Q_EMIT credentialsEntered(m_typedName, line);
        if (m_stage == Stage::Deciding)
            refuseLogOn();
        break;
    case Stage::Deciding:
        break;
    case Stage::Chat:
        if (passesQuota(line))
            Q_EMIT lineEntered(line);
        break;
    }
}

bool ClientSession::passesQuota(const QByteArray &line) {
    if (!m_quotaOn)
        return true;
    switch (m_quota.take(line.size(), m_clock.elapsed())) {
    case FloodQuota::Verdict::Pass:
        return true;
    case FloodQuota::Verdict::MessageQuota:
        send(wire::error("Your message quota has been exceeded!"));
        break;
    case FloodQuota::Verdict::LineLengthQuota:
        send(wire::error("Your line length quota has been exceeded!"));
        break;
    case FloodQuota::Verdict::Disconnect:
        closeWith({});
        break;
    }
    return false;
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
