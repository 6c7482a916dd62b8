#include "signalwatcher.h"

#include <QTimer>

#include <csignal>

namespace {

// A signal handler may do no more than set a flag of this type; it is the one piece of
// state the handler and the watcher share, so it cannot live in the watcher.
volatile std::sig_atomic_t caughtSignal = 0;

extern "C" void catchSignal(int signalNumber) {
    caughtSignal = signalNumber;
}

// How often the watcher looks at the flag: soon enough for a Ctrl+C, rare enough to cost
// nothing.
constexpr int kPollMs = 50;

} // namespace

struct SignalWatcher::Source {
    QTimer poll;
    bool installed = false;
};

void SignalWatcher::prepareProcess() {
    // Nothing to block: the handlers are installed by the watcher.
}

SignalWatcher::SignalWatcher(QObject *parent)
    : QObject(parent)
    , m_source(std::make_unique<Source>()) {
    m_source->installed =
        std::signal(SIGINT, catchSignal) != SIG_ERR && std::signal(SIGTERM, catchSignal) != SIG_ERR;
    m_source->poll.setInterval(kPollMs);
    connect(&m_source->poll, &QTimer::timeout, this, [this] {
        if (const int signalNumber = caughtSignal) {
            caughtSignal = 0;
            Q_EMIT terminationRequested(signalNumber);
        }
    });
    m_source->poll.start();
}

SignalWatcher::~SignalWatcher() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

bool SignalWatcher::isValid() const {
    return m_source->installed;
}
