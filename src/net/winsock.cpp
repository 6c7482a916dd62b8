#include "net/winsock.h"

#include "net/lineend.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QTcpSocket>

namespace {

// The socket stops reading from the network once this much is waiting, so a flood the
// window cannot keep up with waits in the kernel instead of in memory.
constexpr qint64 kReadBufferSize = 1024 * 1024;
constexpr int kDefaultConnectTimeout = 20000;

} // namespace

Winsock::Winsock(QObject *parent)
    : QObject(parent)
    , m_socket(new QTcpSocket(this)) {
    m_socket->setReadBufferSize(kReadBufferSize);

    m_connectTimer.setSingleShot(true);
    m_connectTimer.setInterval(kDefaultConnectTimeout);
    m_arrivalTimer.setSingleShot(true);
    m_arrivalTimer.setInterval(0);

    connect(m_socket, &QAbstractSocket::stateChanged, this, &Winsock::onSocketStateChanged);
    connect(m_socket, &QIODevice::readyRead, this, &Winsock::onReadyRead);
    connect(m_socket, &QIODevice::readChannelFinished, this, &Winsock::keepTail);
    connect(m_socket, &QAbstractSocket::disconnected, this, &Winsock::onDisconnected);
    connect(m_socket, &QAbstractSocket::errorOccurred, this, &Winsock::onError);
    connect(&m_connectTimer, &QTimer::timeout, this, &Winsock::onConnectTimeout);
    connect(&m_arrivalTimer, &QTimer::timeout, this, &Winsock::announceArrival);
}

Winsock::~Winsock() {
    m_socket->disconnect(this);
    m_socket->abort();
}

SocketResult Winsock::Connect() {
    if (m_state != sckClosed)
        return {SocketResult::Connect, SocketResult::NotClosed, m_state};
    m_decoder.reset();
    m_tail.clear();
    m_tailPos = 0;
    m_connectTimer.start();
    m_socket->connectToHost(m_remoteHost, quint16(m_remotePort));
    return SocketResult::done(SocketResult::Connect, m_state);
}

SocketResult Winsock::SendData(const QString &data) {
    if (m_state != sckConnected)
        return {SocketResult::Send, SocketResult::NotConnected, m_state};
    qsizetype unencodable = 0;
    const QByteArray bytes = ansiEncode(data, &unencodable);
    if (m_socket->write(bytes) != bytes.size())
        return {SocketResult::Send, SocketResult::WriteFailed, m_state, m_socket->errorString()};
    return SocketResult::sent(m_state, unencodable);
}

SocketResult Winsock::sendLines(const QStringList &lines) {
    QString data;
    for (const QString &line : lines)
        data += line + kLineEnd;
    return SendData(data);
}

void Winsock::GetData(QString &data) {
    data.clear();
    if (m_tailPos < m_tail.size()) {
        const qsizetype n = qMin<qsizetype>(kMaxPiece, m_tail.size() - m_tailPos);
        m_decoder.decode(QByteArrayView(m_tail).sliced(m_tailPos, n), data);
        m_tailPos += n;
        if (m_tailPos == m_tail.size()) {
            m_tail.clear();
            m_tailPos = 0;
        }
    } else if (m_socket->bytesAvailable() > 0) {
        m_piece.resize(kMaxPiece);
        const qint64 n = m_socket->read(m_piece.data(), kMaxPiece);
        if (n > 0)
            m_decoder.decode(QByteArrayView(m_piece.constData(), n), data);
    }
    m_took = true;
    // Once the connection is over, the bytes of a character it never finished are shown
    // as they are rather than held back for ever.
    if (connectionOver() && bytesAvailable() == 0)
        m_decoder.flush(data);
}

void Winsock::Close() {
    m_connectTimer.stop();
    m_arrivalTimer.stop();
    m_closing = true;
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->flush();
    m_socket->abort();
    m_resetProbe.stop();
    m_closing = false;
    m_tail.clear();
    m_tailPos = 0;
    m_decoder.reset();
    setState(sckClosed);
}

QString Winsock::LocalIP() const {
    if (m_socket->state() == QAbstractSocket::ConnectedState) {
        const QHostAddress local = m_socket->localAddress();
        bool isV4 = false;
        const quint32 v4 = local.toIPv4Address(&isV4);
        return isV4 ? QHostAddress(v4).toString() : local.toString();
    }
    return firstLocalIPv4();
}

QString Winsock::firstLocalIPv4() {
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            (flags & QNetworkInterface::IsLoopBack))
            continue;
        const auto entries = iface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                return entry.ip().toString();
        }
    }
    return QStringLiteral("127.0.0.1");
}

qint64 Winsock::bytesAvailable() const {
    return (m_tail.size() - m_tailPos) + m_socket->bytesAvailable();
}

void Winsock::setState(int state) {
    if (m_state == state)
        return;
    m_state = state;
    Q_EMIT stateChanged(state);
}

bool Winsock::connectionOver() const {
    return m_state == sckClosing || m_state == sckError;
}

void Winsock::onSocketStateChanged() {
    if (m_closing || connectionOver())
        return;
    switch (m_socket->state()) {
    case QAbstractSocket::HostLookupState:
        setState(sckResolvingHost);
        break;
    case QAbstractSocket::ConnectingState:
        setState(sckConnecting);
        break;
    case QAbstractSocket::ConnectedState:
        m_connectTimer.stop();
        m_resetProbe.watch(m_socket->socketDescriptor());
        setState(sckConnected);
        break;
    case QAbstractSocket::ClosingState:
        peerEnded();
        break;
    default:
        break;
    }
}

void Winsock::onReadyRead() {
    if (!m_arrivalTimer.isActive() && !m_announcing)
        announceArrival();
}

void Winsock::onDisconnected() {
    if (m_closing)
        return;
    keepTail();
    m_connectTimer.stop();
    peerEnded();
    m_resetProbe.stop();
    scheduleArrival();
}

// The gateway ended the connection: in order (sckClosing), or with a reset (sckError).
void Winsock::peerEnded() {
    if (m_state == sckError)
        return;
    if (m_resetProbe.endedByReset())
        fail(ConnectionReset, QString());
    else
        setState(sckClosing);
}

void Winsock::onError() {
    if (m_closing)
        return;
    switch (m_socket->error()) {
    case QAbstractSocket::RemoteHostClosedError:
        // The gateway ended the connection; disconnected() reports it.
        return;
    case QAbstractSocket::HostNotFoundError:
        fail(HostNotFound, m_socket->errorString());
        break;
    case QAbstractSocket::ConnectionRefusedError:
        fail(ConnectionRefused, m_socket->errorString());
        break;
    case QAbstractSocket::SocketTimeoutError:
        fail(TimedOut, m_socket->errorString());
        break;
    default:
        fail(NetworkFailure, m_socket->errorString());
        break;
    }
}

void Winsock::onConnectTimeout() {
    if (m_state != sckResolvingHost && m_state != sckHostResolved && m_state != sckConnecting)
        return;
    m_closing = true;
    m_socket->abort();
    m_closing = false;
    fail(TimedOut, QString());
}

void Winsock::fail(Failure failure, const QString &detail) {
    m_connectTimer.stop();
    keepTail();
    m_resetProbe.stop();
    setState(sckError);
    Q_EMIT failed(failure, detail);
    scheduleArrival();
}

void Winsock::keepTail() {
    if (m_socket->bytesAvailable() > 0) {
        if (m_tailPos > 0) {
            m_tail.remove(0, m_tailPos);
            m_tailPos = 0;
        }
        m_tail += m_socket->readAll();
    }
}

void Winsock::announceArrival() {
    if (bytesAvailable() == 0 && !(connectionOver() && m_decoder.hasPending()))
        return;
    m_announcing = true;
    m_took = false;
    Q_EMIT DataArrival(bytesAvailable());
    m_announcing = false;
    // What one GetData left behind is announced again once the event loop has turned.
    if (m_took)
        scheduleArrival();
}

void Winsock::scheduleArrival() {
    if (bytesAvailable() > 0 || (connectionOver() && m_decoder.hasPending()))
        m_arrivalTimer.start();
}
