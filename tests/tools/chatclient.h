#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpSocket>

// A scripted chat client for the gateway tests: a real TCP socket that gathers what the
// gateway sends, so a test can wait for bytes and take them in order. The end of the
// connection shows in what was received as kClosed.
class ChatClient : public QObject {
    Q_OBJECT

public:
    static constexpr quint16 kPort = 6112;
    static constexpr char kClosed[] = "<closed>";

    explicit ChatClient(QObject *parent = nullptr);

    // Connects from `address` (so the gateway sees that address) to `address`:6112.
    bool connectTo(const QString &address);
    // Connects, sends the log-on record as the client program does and waits for the last
    // line of the answer.
    bool logOn(const QString &address, const QByteArray &name, const QByteArray &password);
    void send(const QByteArray &bytes);
    // Waits until `expected` has arrived and takes everything up to it; null on timeout.
    QByteArray waitFor(const QByteArray &expected, int msecs = 5000);
    // Waits for exactly `expected` to come next; tells the first byte that differs.
    bool expectNext(const QByteArray &expected, int msecs = 5000);
    // Sends "/whoami" and checks that its answer comes next: whatever the gateway sent
    // before it would show up first.
    bool expectNothingElse();

    quint16 localPort() const { return m_socket.localPort(); }
    QTcpSocket &socket() { return m_socket; }

private:
    QByteArray m_received; // before the socket, which may still report its end as it goes
    QTcpSocket m_socket;
};
