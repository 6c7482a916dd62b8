#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <vector>

class QTcpSocket;

// What the robustness tests share: the expected transcript for a byte stream, a listener that
// never completes a handshake, and probes of the event loop, memory and the kernel's queues.
// Every address used is one of 127.0.0.60 to 127.0.0.69, port 6112.

// The characters a byte stream must show as: decoded in one piece, and ended as the socket
// ends it once the gateway has closed (bytes of an unfinished character shown as they are).
QString decodeWhole(QByteArrayView bytes, bool ended);

// A TCP listener on `address`:6112 whose accept queue is full and never emptied, so the
// kernel drops every further SYN: a connect to it hangs until the client gives up.
class SilentListener {
public:
    explicit SilentListener(const char *address);
    ~SilentListener();
    SilentListener(const SilentListener &) = delete;
    SilentListener &operator=(const SilentListener &) = delete;

    // Whether a connect made now would hang (checked with a connect of its own).
    bool isSilent() const { return m_silent; }

private:
    bool connectHangs(int fd, int msecs) const;

    int m_listener = -1;
    std::vector<int> m_fillers;
    bool m_silent = false;
};

// Measures how late a 10 ms timer fires: the event loop's longest stall while it runs.
class TimerProbe : public QObject {
public:
    TimerProbe();
    void start();
    // Stops it; the stretch since the last tick counts as a gap too.
    void stop();
    qint64 worstGapMs() const { return m_worst; }
    int ticks() const { return m_ticks; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_worst = 0;
    int m_ticks = 0;
};

// The process's resident memory, in bytes.
qint64 residentBytes();

// Bytes the socket's kernel still holds unacknowledged by the peer (TCP's send queue).
int unacknowledgedBytes(const QTcpSocket *socket);

// Waits, without turning the event loop, until the kernel has delivered everything `socket`
// wrote to the peer's receive queue.
bool waitDeliveredWithoutEvents(QTcpSocket *socket, int msecs = 5000);

// Turns the event loop until `done()` holds or `msecs` have passed, without the fixed sleeps
// of QTest::qWaitFor, so that a test can wait for one arrival at a time.
template<typename Done> bool spinUntil(Done done, int msecs = 5000) {
    QTimer wake; // something to wake the loop even when nothing else happens
    wake.start(5);
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > msecs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}
