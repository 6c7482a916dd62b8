#pragma once

#include <QObject>

#include <memory>

// Turns SIGINT and SIGTERM (Ctrl+C) into a Qt signal on the event loop, so the program can
// stop in order. On Linux the signals are blocked for the whole process and read from a
// signalfd. On Windows the console's control handler reports Ctrl+C (as SIGINT), Ctrl+Break
// and the closing of the console window (as SIGTERM); for a close it holds the process until
// the watcher is destroyed. Elsewhere a standard C signal handler sets a flag that a timer
// looks at.
class SignalWatcher : public QObject {
    Q_OBJECT

public:
    // Must run before any thread starts: on Linux it blocks the signals, so that every thread
    // inherits the block and the signals only ever arrive through the watcher.
    static void prepareProcess();

    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

    bool isValid() const;

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    struct Source; // the system's way of learning of the signals
    std::unique_ptr<Source> m_source;
};
