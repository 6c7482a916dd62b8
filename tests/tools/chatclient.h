#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpSocket>

// A scripted chat client for the gateway tests: a real TCP socket that gathers what the
// gateway sends, so a test can wait for bytes and take them in order.
class ChatClient : public QObject {
    Q_OBJECT

public:
    static constexpr quint16 kPort = 6112;

    explicit ChatClient(QObject *parent = nullptr);

    // Connects from `address` (so the gateway sees that address) to `address`:6112.
    bool connectTo(const QString &address, int msecs = 5000);
    // Connects and logs on as the client program does; waits for the welcome line.
    bool logOn(const QString &address, const QByteArray &name, const QByteArray &password);

    void send(const QByteArray &bytes);
    // Waits until `expected` has arrived, then takes everything up to and including it.
    // Returns what was taken, or a null array on timeout.
    QByteArray waitFor(const QByteArray &expected, int msecs = 5000);
    // Waits for exactly `expected` to be next, and nothing else before it.
    bool expectNext(const QByteArray &expected, int msecs = 5000);
    // Sends "/whoami" and checks that its answer is the next thing to arrive: whatever the
    // gateway sent before it would show up first.
    bool expectNothingElse();
    bool waitForClosed(int msecs = 5000);

    QByteArray pending() const { return m_received; }
    QByteArray name() const { return m_name; }
    quint16 localPort() const { return m_socket.localPort(); }
    QTcpSocket &socket() { return m_socket; }

private:
    QTcpSocket m_socket;
    QByteArray m_received;
    QByteArray m_name;
    bool m_closed = false;
};
