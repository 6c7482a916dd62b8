#include "benchutil.h"

#include <QEvent>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include <sys/resource.h>

namespace {

// A "Name:   123 kB" field of /proc/self/status, in bytes.
qint64 statusField(const char *name) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(name) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return -1;
}

std::int64_t clockNs(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

} // namespace

std::int64_t nowNs() {
    return clockNs(CLOCK_MONOTONIC);
}

double nsToMs(std::int64_t ns) {
    return double(ns) / 1e6;
}

qint64 residentBytes() {
    return statusField("VmRSS");
}

qint64 peakResidentBytes() {
    return statusField("VmHWM");
}

void resetPeakResident() {
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

std::int64_t processCpuNs() {
    return clockNs(CLOCK_PROCESS_CPUTIME_ID);
}

std::int64_t threadCpuNs() {
    return clockNs(CLOCK_THREAD_CPUTIME_ID);
}

long voluntarySwitches() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

TimerProbe::TimerProbe(int intervalMs)
    : m_interval(intervalMs) {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &TimerProbe::tick);
}

void TimerProbe::start() {
    m_last = nowNs();
    m_worstGap = 0;
    m_ticks = 0;
    m_timer.start();
}

void TimerProbe::stop() {
    m_timer.stop();
    m_worstGap = std::max(m_worstGap, nowNs() - m_last);
}

void TimerProbe::tick() {
    const std::int64_t now = nowNs();
    m_worstGap = std::max(m_worstGap, now - m_last);
    m_last = now;
    ++m_ticks;
}

double TimerProbe::worstLatenessMs() const {
    return std::max(0.0, worstGapMs() - m_interval);
}

PaintCounter::PaintCounter(QObject *watched)
    : m_watched(watched) {
    watched->installEventFilter(this);
}

PaintCounter::~PaintCounter() {
    if (m_watched)
        m_watched->removeEventFilter(this);
}

bool PaintCounter::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Paint)
        ++m_count;
    return QObject::eventFilter(watched, event);
}

void result(const QByteArray &key, double value) {
    std::printf("RESULT %s %.6g\n", key.constData(), value);
    std::fflush(stdout);
}
