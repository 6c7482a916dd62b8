#pragma once

#include <QByteArray>
#include <QDebug>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTest>

#include <utility>

// A scripted chat client for the gateway tests: a real TCP socket that gathers what the
// gateway sends, so that a test can wait for bytes and take them in order. The end of the
// connection shows in what was received as kClosed.
struct ChatClient {
    static constexpr char kClosed[] = "<closed>";

    ChatClient() {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
        QObject::connect(&socket, &QTcpSocket::disconnected, [this] { received += kClosed; });
    }
    // Connects from `address` (so that the gateway sees that address) to `address`:6112.
    bool connectTo(const QString &address) {
        socket.bind(QHostAddress(address), 0);
        socket.connectToHost(QHostAddress(address), 6112);
        return socket.waitForConnected();
    }
    // Connects, sends the log-on record as the client program does and takes the answer.
    bool logOn(const QString &address, const QByteArray &name, const QByteArray &password = "pw") {
        if (connectTo(address))
            send("\x03\x04" + name + "\r\n" + password + "\r\n");
        return !waitFor("they last until it stops.\"\r\n").isNull();
    }
    void send(const QByteArray &bytes) {
        socket.write(bytes);
        socket.flush();
    }
    // Takes the next `count` bytes once they are there, or what came if they do not.
    QByteArray take(qsizetype count) {
        (void)QTest::qWaitFor([&] { return received.size() >= count; }, 10000);
        return std::exchange(received, received.mid(count)).left(count);
    }
    // Waits until `expected` has arrived and takes everything up to it; null when it does not.
    QByteArray waitFor(const QByteArray &expected) {
        if (QTest::qWaitFor([&] { return received.contains(expected); }, 10000))
            return take(received.indexOf(expected) + expected.size());
        qWarning() << "waited in vain for" << expected << "having" << received.left(500);
        return {};
    }
    // What comes before the answer to a question asked now: empty when nothing was on the way.
    QByteArray unasked() {
        const QByteArray answer = "1018 INFO \"You are ";
        send("/whoami\r\n");
        const QByteArray got = waitFor(answer);
        return got.isNull() ? QByteArray("<no answer>") : got.chopped(answer.size());
    }

    QByteArray received; // before the socket, which may still report its end as it goes
    QTcpSocket socket;
};
