#pragma once

#include "net/ansicodec.h"
#include "net/gatewayport.h"
#include "net/resetprobe.h"
#include "net/socketresult.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class QTcpSocket;

// The program's one TCP client socket to a chat gateway.
//
// It offers the operations of the socket control the program was designed around, under
// their names: Protocol, RemoteHost, RemotePort, Connect, SendData, GetData, Close, State and
// LocalIP, and the one notification DataArrival. State keeps the control's numbering
// (StateValue); code compares it with the named values only.
//
// After the gateway closes the connection the state stays sckClosing, and after a failed
// connect or a reset of the connection it stays sckError, until Close. Connect is refused
// unless the state is sckClosed, SendData unless it is sckConnected; both say so in their
// result. Close never fails.
//
// Besides DataArrival it reports the connection's progress (stateChanged, failed) so that
// the window can tell the user what happens; those reports change nothing here.
class Winsock : public QObject {
    Q_OBJECT

public:
    // The control's numbering of the socket's state.
    enum StateValue {
        sckClosed = 0,
        sckOpen = 1,
        sckListening = 2,
        sckConnectionPending = 3,
        sckResolvingHost = 4,
        sckHostResolved = 5,
        sckConnecting = 6,
        sckConnected = 7,
        sckClosing = 8,
        sckError = 9,
    };

    enum ProtocolValue { sckTCPProtocol = 0 };

    enum Failure {
        HostNotFound,
        ConnectionRefused,
        TimedOut,
        ConnectionReset,
        NetworkFailure,
    };
    Q_ENUM(Failure)

    // At most this many bytes are taken by one GetData; what is left is announced by a
    // further DataArrival once the event loop has turned, so one huge arrival never holds
    // the window up.
    static constexpr qint64 kMaxPiece = 64 * 1024;

    explicit Winsock(QObject *parent = nullptr);
    ~Winsock() override;

    int Protocol() const { return m_protocol; }
    void setProtocol(int protocol) { m_protocol = protocol; }
    QString RemoteHost() const { return m_remoteHost; }
    void setRemoteHost(const QString &host) { m_remoteHost = host; }
    qint32 RemotePort() const { return m_remotePort; }
    void setRemotePort(qint32 port) { m_remotePort = port; }

    // Starts connecting to RemoteHost:RemotePort and returns at once.
    SocketResult Connect();
    // Queues the text's bytes for sending, in call order. The result counts the characters
    // the code page on the wire cannot carry; they are sent as its replacement character.
    SocketResult SendData(const QString &data);
    // Sends the lines, each ended by CR LF, in one SendData: every line the program sends goes
    // out this way, so none can lack its line end.
    SocketResult sendLines(const QStringList &lines);
    // Hands over the bytes received and not yet taken (at most kMaxPiece of them), as text.
    void GetData(QString &data);
    // Closes the connection, whatever the state.
    void Close();
    int State() const { return m_state; }
    // While a connection is open, its local address; otherwise the first IPv4 address of an
    // interface that is up, running and not loopback; 127.0.0.1 when there is none.
    QString LocalIP() const;

    // Bytes received and not yet taken.
    qint64 bytesAvailable() const;

    // How long a connect may take before it is given up (sckError, TimedOut).
    void setConnectTimeout(int msecs) { m_connectTimer.setInterval(msecs); }
    int connectTimeout() const { return m_connectTimer.interval(); }

    // The first IPv4 address of an interface that is up, running and not loopback, or
    // 127.0.0.1 when there is none.
    static QString firstLocalIPv4();

    // Whether a reset by the gateway is told from an ordered close on this system (sckError
    // with ConnectionReset rather than sckClosing).
    static bool tellsResetFromClose() { return ResetProbe::available(); }

Q_SIGNALS:
    void DataArrival(qint64 bytesTotal);
    void stateChanged(int state);
    // `detail` is the system's own words for the failure, empty where it has none.
    void failed(Winsock::Failure failure, const QString &detail);

private:
    void setState(int state);
    void onSocketStateChanged();
    void onReadyRead();
    void onDisconnected();
    void onError();
    void onConnectTimeout();
    void announceArrival();
    void scheduleArrival();
    void keepTail();
    void fail(Failure failure, const QString &detail);
    void peerEnded();
    bool connectionOver() const;

    QTcpSocket *m_socket = nullptr;
    QTimer m_connectTimer;
    QTimer m_arrivalTimer;
    AnsiDecoder m_decoder;
    // Bytes that outlived the connection they came on (kept when the gateway closes), so
    // that every byte that arrived reaches the transcript.
    QByteArray m_tail;
    qsizetype m_tailPos = 0;
    // Reused for every piece taken from the socket.
    QByteArray m_piece;
    int m_protocol = sckTCPProtocol;
    QString m_remoteHost = QStringLiteral("63.240.202.120");
    qint32 m_remotePort = kGatewayPort;
    int m_state = sckClosed;
    // Tells, once the gateway has ended the connection, whether it reset it.
    ResetProbe m_resetProbe;
    bool m_announcing = false;
    bool m_took = false;
    bool m_closing = false;
};
