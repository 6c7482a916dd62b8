#include "probes.h"

#include "net/ansicodec.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTcpSocket>
#include <QThread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

QString decodeWhole(QByteArrayView bytes, bool ended) {
    AnsiDecoder decoder;
    QString text = decoder.decode(bytes);
    if (ended)
        decoder.flush(text);
    return text;
}

namespace {

sockaddr_in gatewayAddress(const char *address) {
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(6112);
    ::inet_pton(AF_INET, address, &sa.sin_addr);
    return sa;
}

} // namespace

SilentListener::SilentListener(const char *address) {
    const sockaddr_in sa = gatewayAddress(address);
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(m_listener, reinterpret_cast<const sockaddr *>(&sa), sizeof sa) != 0 ||
        ::listen(m_listener, 0) != 0)
        return;
    // With a backlog of 0 the first connection fills the accept queue (or, without SYN
    // cookies, none gets in at all). Connect until one hangs: from then on every SYN is
    // dropped.
    for (int i = 0; i < 8 && !m_silent; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        m_fillers.push_back(fd);
        ::connect(fd, reinterpret_cast<const sockaddr *>(&sa), sizeof sa);
        m_silent = connectHangs(fd, 300);
    }
}

SilentListener::~SilentListener() {
    for (const int fd : m_fillers)
        ::close(fd);
    if (m_listener >= 0)
        ::close(m_listener);
}

bool SilentListener::connectHangs(int fd, int msecs) const {
    pollfd p = {fd, POLLOUT, 0};
    return ::poll(&p, 1, msecs) == 0;
}

TimerProbe::TimerProbe() {
    m_timer.setInterval(10);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const qint64 now = m_clock.elapsed();
        m_worst = qMax(m_worst, now - m_last);
        m_last = now;
        ++m_ticks;
    });
}

void TimerProbe::start() {
    m_worst = 0;
    m_ticks = 0;
    m_clock.start();
    m_last = 0;
    m_timer.start();
}

void TimerProbe::stop() {
    m_timer.stop();
    m_worst = qMax(m_worst, m_clock.elapsed() - m_last);
}

qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE) : -1;
}

int unacknowledgedBytes(const QTcpSocket *socket) {
    int queued = -1;
    if (::ioctl(int(socket->socketDescriptor()), SIOCOUTQ, &queued) != 0)
        return -1;
    return queued;
}

bool waitDeliveredWithoutEvents(QTcpSocket *socket, int msecs) {
    const QDeadlineTimer deadline(msecs);
    while (!deadline.hasExpired()) {
        socket->flush();
        if (socket->bytesToWrite() == 0 && unacknowledgedBytes(socket) == 0)
            return true;
        QThread::usleep(500);
    }
    return false;
}
