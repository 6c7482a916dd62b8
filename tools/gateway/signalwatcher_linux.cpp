#include "signalwatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

sigset_t terminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

struct SignalWatcher::Source {
    int fd = -1;
    QSocketNotifier *notifier = nullptr; // owned by the watcher
};

void SignalWatcher::prepareProcess() {
    const sigset_t set = terminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

SignalWatcher::SignalWatcher(QObject *parent)
    : QObject(parent)
    , m_source(std::make_unique<Source>()) {
    const sigset_t set = terminationSignals();
    m_source->fd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_source->fd < 0)
        return;
    m_source->notifier = new QSocketNotifier(m_source->fd, QSocketNotifier::Read, this);
    connect(m_source->notifier, &QSocketNotifier::activated, this, [this] {
        signalfd_siginfo info;
        while (::read(m_source->fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info))
            Q_EMIT terminationRequested(static_cast<int>(info.ssi_signo));
    });
}

SignalWatcher::~SignalWatcher() {
    delete m_source->notifier;
    if (m_source->fd >= 0)
        ::close(m_source->fd);
}

bool SignalWatcher::isValid() const {
    return m_source->fd >= 0;
}
