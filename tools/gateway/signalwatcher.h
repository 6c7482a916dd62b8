#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the event loop, so the program can stop in
// order. The signals are blocked for the whole process and read from a signalfd.
class SignalWatcher : public QObject {
    Q_OBJECT

public:
    // Blocks SIGINT and SIGTERM; must run before any thread starts, so that every thread
    // inherits the block and the signals only ever arrive through the watcher.
    static void blockTerminationSignals();

    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

    bool isValid() const { return m_fd >= 0; }

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    void readSignals();

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};
