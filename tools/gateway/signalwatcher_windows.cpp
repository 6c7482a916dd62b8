#include "signalwatcher.h"

#include <QWinEventNotifier>

#include <atomic>
#include <csignal>
#include <windows.h>

namespace {

// The console calls its control handler on a thread of its own, with no way to pass it
// anything: these two event handles are what it and the watcher share. `requested` tells the
// event loop to stop; `stopped` tells a handler waiting on a console close that the program
// has finished its orderly stop.
HANDLE requested = nullptr;
HANDLE stopped = nullptr;
std::atomic_int requestedSignal{0};

BOOL WINAPI handleControl(DWORD type) {
    switch (type) {
    case CTRL_C_EVENT:
        requestedSignal = SIGINT;
        SetEvent(requested);
        return TRUE;
    case CTRL_BREAK_EVENT:
        requestedSignal = SIGTERM;
        SetEvent(requested);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        // Windows ends the process as soon as this returns (and after a few seconds anyway):
        // wait for the stop, so that the clients are disconnected in order first.
        requestedSignal = SIGTERM;
        SetEvent(requested);
        WaitForSingleObject(stopped, 4000);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

struct SignalWatcher::Source {
    QWinEventNotifier *notifier = nullptr; // owned by the watcher
    bool installed = false;
};

void SignalWatcher::prepareProcess() {
    // Nothing to block: the console's handler is installed by the watcher.
}

SignalWatcher::SignalWatcher(QObject *parent)
    : QObject(parent)
    , m_source(std::make_unique<Source>()) {
    if (requested)
        return; // one watcher per process: the console has one handler for it
    requested = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    stopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!requested || !stopped)
        return;
    m_source->notifier = new QWinEventNotifier(requested, this);
    connect(m_source->notifier, &QWinEventNotifier::activated, this,
            [this] { Q_EMIT terminationRequested(requestedSignal.load()); });
    m_source->installed = SetConsoleCtrlHandler(handleControl, TRUE) != FALSE;
}

SignalWatcher::~SignalWatcher() {
    if (!m_source->notifier)
        return;
    delete m_source->notifier;
    // A handler waiting on a console close lets the process end now.
    SetEvent(stopped);
}

bool SignalWatcher::isValid() const {
    return m_source->installed;
}
