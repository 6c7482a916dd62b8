#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>

// Measuring helpers shared by the benchmark scenarios: a monotonic clock that every thread
// reads alike, the process's memory and CPU time, the event loop's lateness, and the lines a
// scenario hands back to the driver.

// Nanoseconds on the monotonic clock; comparable between threads and processes.
std::int64_t nowNs();
double nsToMs(std::int64_t ns);

// Resident memory now (VmRSS) and its peak since the last resetPeakResident() (VmHWM), in
// bytes.
qint64 residentBytes();
qint64 peakResidentBytes();
// Starts a new peak: the kernel forgets the high-water mark of this process.
void resetPeakResident();

// CPU time of the whole process (user + system) and of the calling thread, in nanoseconds.
std::int64_t processCpuNs();
std::int64_t threadCpuNs();
// Voluntary context switches of the process so far: each is the process going to sleep.
long voluntarySwitches();

// How late a timer of `interval` ms fires while the event loop is busy elsewhere: the largest
// gap between two ticks (or between the last tick and stop()), less the interval.
class TimerProbe : public QObject {
public:
    explicit TimerProbe(int intervalMs = 10);
    void start();
    void stop();
    double worstLatenessMs() const;
    double worstGapMs() const { return nsToMs(m_worstGap); }
    int ticks() const { return m_ticks; }

private:
    void tick();

    QTimer m_timer;
    int m_interval;
    std::int64_t m_last = 0;
    std::int64_t m_worstGap = 0;
    int m_ticks = 0;
};

// Counts the paint events a widget receives, for as long as both exist.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QObject *watched);
    ~PaintCounter() override;
    int count() const { return m_count; }
    void reset() { m_count = 0; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QObject> m_watched;
    int m_count = 0;
};

// A scenario's figures go to standard output as lines "RESULT key value", read by the driver;
// everything else it says goes to standard error.
void result(const QByteArray &key, double value);
