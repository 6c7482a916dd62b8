#include "driver.h"

#include "version.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QSysInfo>
#include <QThread>

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const int kFloods[] = {10, 50, 200};
constexpr int kLatencyLines = 1000;
constexpr int kStartupRuns = 10;
constexpr int kStartupWarmup = 2;
constexpr double kFloodTarget = 100;    // MiB/s
constexpr double kFlatnessTarget = 1.2; // last tenth against first
constexpr double kTimerTarget = 50;     // ms
constexpr double kMemoryTarget = 3;     // bytes of RSS per byte of text
constexpr double kLatencyTarget = 1;    // ms
constexpr double kStartupTarget = 100;  // ms

// The loopback addresses of the scenarios, all on port 6112.
const QString kFloodAddress = QStringLiteral("127.0.0.50");
const QString kReaderAddress = QStringLiteral("127.0.0.51");
const QString kRawReaderAddress = QStringLiteral("127.0.0.52");
const QString kLineAddress = QStringLiteral("127.0.0.53");
const QString kWinsockReaderAddress = QStringLiteral("127.0.0.55");
const QString kLatencyAddress = QStringLiteral("127.0.0.54");

QString number(double value, int decimals = 1) {
    return QString::number(value, 'f', decimals);
}

QString cpuModel() {
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (cpuinfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : cpuinfo.readAll().split('\n')) {
            if (line.startsWith("model name"))
                return QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
        }
    }
    return QStringLiteral("unknown");
}

// The 1, 5 and 15 minute load averages: other work on the machine skews every figure.
QString loadAverage() {
    QFile loadavg(QStringLiteral("/proc/loadavg"));
    if (!loadavg.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    const QList<QByteArray> fields = loadavg.readAll().split(' ');
    return QString::fromLatin1(fields.mid(0, 3).join(' '));
}

void say(const QString &text) {
    std::fprintf(stderr, "%s\n", qPrintable(text));
    std::fflush(stderr);
}

} // namespace

Driver::Driver(const Paths &paths)
    : m_paths(paths) {}

int Driver::run() {
    QDir().mkpath(m_paths.logDir);
    for (const QFileInfo &old : QDir(m_paths.logDir).entryInfoList({QStringLiteral("*.log")}))
        QFile::remove(old.filePath());
    printMachine();

    Platform offscreen{QStringLiteral("offscreen"), QProcessEnvironment::systemEnvironment()};
    offscreen.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    offscreen.environment.remove(QStringLiteral("DISPLAY"));
    runPlatform(offscreen);

    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) {
        say(QStringLiteral("Xvfb is not installed: no figures under an X server"));
    } else if (!startXvfb()) {
        say(QStringLiteral("Xvfb did not start: no figures under an X server"));
    } else {
        Platform xvfb{QStringLiteral("xvfb"), QProcessEnvironment::systemEnvironment()};
        xvfb.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        xvfb.environment.insert(QStringLiteral("DISPLAY"), m_display);
        runPlatform(xvfb);
        stopXvfb();
    }

    printTable();
    if (!m_allWhole)
        say(QStringLiteral("WARNING: some scenario lost or changed bytes; see the logs in ") +
            m_paths.logDir);
    return m_allWhole ? 0 : 1;
}

void Driver::runPlatform(const Platform &platform) {
    m_platforms.append(platform.name);
    const QString mode = QStringLiteral("scenario");
    for (const int mib : kFloods) {
        const QString size = QString::number(mib);
        for (int i = 0; i < repeats; ++i) {
            say(QStringLiteral("[%1] flood of %2 MiB, run %3 of %4")
                    .arg(platform.name, size)
                    .arg(i + 1)
                    .arg(repeats));
            runChild(platform, QStringLiteral("flood") + size, m_paths.bench,
                     {mode, QStringLiteral("flood"), size, kFloodAddress}, 300);
            runChild(platform, QStringLiteral("reader") + size, m_paths.bench,
                     {mode, QStringLiteral("reader"), size, kReaderAddress}, 120);
            runChild(platform, QStringLiteral("raw") + size, m_paths.bench,
                     {mode, QStringLiteral("raw-reader"), size, kRawReaderAddress}, 120);
            runChild(platform, QStringLiteral("winsock") + size, m_paths.bench,
                     {mode, QStringLiteral("winsock-reader"), size, kWinsockReaderAddress}, 120);
        }
    }
    say(QStringLiteral("[%1] 1 MiB line in 1 KiB pieces").arg(platform.name));
    runChild(platform, QStringLiteral("line"), m_paths.bench,
             {mode, QStringLiteral("megabyte-line"), kLineAddress}, 300);
    say(QStringLiteral("[%1] send latency, %2 lines").arg(platform.name).arg(kLatencyLines));
    runChild(platform, QStringLiteral("latency"), m_paths.bench,
             {mode, QStringLiteral("latency"), QString::number(kLatencyLines), kLatencyAddress},
             300);
    say(QStringLiteral("[%1] idle window, 3 x %2 s").arg(platform.name).arg(idleSeconds));
    runChild(platform, QStringLiteral("idle"), m_paths.bench,
             {mode, QStringLiteral("idle"), QString::number(idleSeconds)}, 4 * idleSeconds + 60);

    if (platform.name == QLatin1String("xvfb") && !m_paths.xwatch.isEmpty()) {
        say(QStringLiteral("[%1] start-up, %2 runs each").arg(platform.name).arg(kStartupRuns));
        const QString warmup = QString::number(kStartupWarmup);
        for (int i = 0; i < 2; ++i) {
            // Alternating, so that both see the same state of the machine.
            runChild(platform, QStringLiteral("startup-client"), m_paths.xwatch,
                     {QStringLiteral("Brackmoor Chat v" BRACKMOOR_VERSION),
                      QString::number(kStartupRuns / 2), warmup, m_paths.client},
                     120);
            runChild(platform, QStringLiteral("startup-bare"), m_paths.xwatch,
                     {QStringLiteral("Bare Qt main window"), QString::number(kStartupRuns / 2),
                      warmup, m_paths.bare},
                     120);
        }
    }
}

bool Driver::runChild(const Platform &platform, const QString &tag, const QString &program,
                      const QStringList &arguments, int timeoutSeconds) {
    QProcess child;
    child.setProcessEnvironment(platform.environment);
    child.setStandardErrorFile(m_paths.logDir + u'/' + platform.name + u'-' + tag +
                                   QStringLiteral(".log"),
                               QIODevice::Append);
    child.start(program, arguments);
    if (!child.waitForStarted(10000)) {
        say(QStringLiteral("cannot start ") + program);
        return false;
    }
    if (!child.waitForFinished(timeoutSeconds * 1000)) {
        say(QStringLiteral("%1 %2 did not finish in time").arg(platform.name, tag));
        child.kill();
        child.waitForFinished(5000);
    }
    const QString prefix = platform.name + u'/' + tag + u'/';
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(' ');
        if (fields.size() == 3 && fields[0] == "RESULT") {
            const QString key = prefix + QString::fromLatin1(fields[1]);
            const double value = fields[2].toDouble();
            m_results[key].append(value);
            if (fields[1] == "whole" && value == 0) {
                m_allWhole = false;
                say(QStringLiteral("%1 %2: the transcript does not hold what was sent")
                        .arg(platform.name, tag));
            }
        }
    }
    const bool ok = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    if (!ok)
        say(QStringLiteral("%1 %2 failed (exit %3); see its log")
                .arg(platform.name, tag)
                .arg(child.exitCode()));
    return ok;
}

bool Driver::startXvfb() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    const pid_t pid = fork();
    if (pid == 0) {
        // The server goes when this program goes, however it ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        // The child keeps the pipe's write end open across exec for -displayfd.
        const int out = dup(fds[1]);
        const int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, STDIN_FILENO);
        dup2(devnull, STDOUT_FILENO);
        dup2(devnull, STDERR_FILENO);
        const QByteArray fd = QByteArray::number(out);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.constData(), "-noreset", "-nolisten", "tcp",
               "-screen", "0", "1280x1024x24", static_cast<char *>(nullptr));
        _exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return false;
    }
    m_xvfb = pid;
    QByteArray number;
    pollfd wait{fds[0], POLLIN, 0};
    char c = 0;
    while (!number.endsWith('\n') && poll(&wait, 1, 10000) > 0 && ::read(fds[0], &c, 1) == 1)
        number += c;
    ::close(fds[0]);
    if (!number.endsWith('\n')) {
        stopXvfb();
        return false;
    }
    m_display = u':' + QString::fromLatin1(number.trimmed());
    say(QStringLiteral("Xvfb started as pid %1 on display %2").arg(pid).arg(m_display));
    return true;
}

void Driver::stopXvfb() {
    if (m_xvfb <= 0)
        return;
    ::kill(m_xvfb, SIGTERM);
    int status = 0;
    ::waitpid(m_xvfb, &status, 0);
    say(QStringLiteral("Xvfb (pid %1) stopped").arg(m_xvfb));
    m_xvfb = -1;
}

bool Driver::has(const QString &key) const {
    return !m_results.value(key).isEmpty();
}

double Driver::median(const QString &key) const {
    QList<double> values = m_results.value(key);
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Driver::worst(const QString &key) const {
    const QList<double> values = m_results.value(key);
    return values.isEmpty() ? 0 : *std::max_element(values.cbegin(), values.cend());
}

void Driver::printMachine() const {
    std::printf("Machine: %s, %d cores (nproc), %s, kernel %s; Qt %s; release build\n",
                qPrintable(cpuModel()), QThread::idealThreadCount(),
                qPrintable(QSysInfo::prettyProductName()), qPrintable(QSysInfo::kernelVersion()),
                qVersion());
    std::printf("Load average at the start: %s\n", qPrintable(loadAverage()));
    std::fflush(stdout);
}

void Driver::addRow(const QString &figure, const QString &platform, const QString &measured,
                    const QString &target, const QString &reference, bool pass) {
    m_rows.append({figure, platform, measured, target, reference,
                   pass ? QStringLiteral("PASS") : QStringLiteral("MISS")});
}

void Driver::printTable() {
    m_rows.clear();
    for (const QString &p : m_platforms) {
        const QString at = p + u'/';
        for (const int mib : kFloods) {
            const QString n = QString::number(mib);
            const double client =
                median(at + QStringLiteral("flood") + n + QStringLiteral("/mibps"));
            const double reader =
                median(at + QStringLiteral("reader") + n + QStringLiteral("/mibps"));
            const double raw = median(at + QStringLiteral("raw") + n + QStringLiteral("/mibps"));
            const double winsock =
                median(at + QStringLiteral("winsock") + n + QStringLiteral("/mibps"));
            const double frames =
                median(at + QStringLiteral("flood") + n + QStringLiteral("/frames"));
            addRow(QStringLiteral("1. Flood %1 MiB, 60-char lines").arg(n), p,
                   QStringLiteral("%1 MiB/s (%2 frame%3 drawn)")
                       .arg(number(client), number(frames, 0),
                            frames == 1 ? QString() : QStringLiteral("s")),
                   QStringLiteral(">= 100 MiB/s and >= 1/3 of reader"),
                   QStringLiteral("QTcpSocket reader %1 MiB/s (1/3: %2); recv() loop %3; client's "
                                  "socket layer alone %4")
                       .arg(number(reader), number(reader / 3), number(raw), number(winsock)),
                   client >= kFloodTarget && client >= reader / 3);
        }
        const QString f200 = at + QStringLiteral("flood200/");
        const double flatWall = median(f200 + QStringLiteral("flatness_wall"));
        const double flatCpu = median(f200 + QStringLiteral("flatness_cpu"));
        addRow(QStringLiteral("2. Flatness, last/first tenth of 200 MiB"), p,
               QStringLiteral("%1 wall (%2 -> %3 ms/MiB), %4 CPU")
                   .arg(number(flatWall, 2),
                        number(median(f200 + QStringLiteral("first_tenth_ms_per_mib")), 2),
                        number(median(f200 + QStringLiteral("last_tenth_ms_per_mib")), 2),
                        number(flatCpu, 2)),
               QStringLiteral("<= 1.2 (both)"),
               QStringLiteral("first tenth %1 ms/MiB CPU")
                   .arg(number(median(f200 + QStringLiteral("first_tenth_cpu_ms_per_mib")), 2)),
               flatWall <= kFlatnessTarget && flatCpu <= kFlatnessTarget);
        QStringList delays;
        double worstDelay = 0;
        for (const int mib : kFloods) {
            const double late = worst(at + QStringLiteral("flood%1/timer_late_ms").arg(mib));
            worstDelay = std::max(worstDelay, late);
            delays.append(QStringLiteral("%1 MiB: %2").arg(mib).arg(number(late)));
        }
        const double lineDelay = worst(at + QStringLiteral("line/timer_late_ms"));
        worstDelay = std::max(worstDelay, lineDelay);
        delays.append(QStringLiteral("1 MiB line: %1").arg(number(lineDelay)));
        addRow(QStringLiteral("3. Largest 10 ms timer delay, floods"), p,
               number(worstDelay) + QStringLiteral(" ms (") + delays.join(u", ") +
                   QStringLiteral(" ms)"),
               QStringLiteral("<= 50 ms"), QStringLiteral("-"), worstDelay <= kTimerTarget);
        const double perByte = worst(f200 + QStringLiteral("rss_per_byte"));
        const double peakMiB =
            (worst(f200 + QStringLiteral("peak_rss")) - median(f200 + QStringLiteral("idle_rss"))) /
            (1024.0 * 1024.0);
        addRow(QStringLiteral("4. Memory at 200 MiB, peak RSS - idle RSS"), p,
               QStringLiteral("%1 bytes per byte of text (%2 MiB for %3 MiB)")
                   .arg(number(perByte, 2), number(peakMiB, 0),
                        number(median(f200 + QStringLiteral("bytes")) / (1024.0 * 1024.0), 1)),
               QStringLiteral("<= 3 bytes/byte"),
               QStringLiteral("UTF-16 text alone: 2; idle window %1 MiB")
                   .arg(number(median(f200 + QStringLiteral("idle_rss")) / (1024.0 * 1024.0), 1)),
               has(f200 + QStringLiteral("rss_per_byte")) && perByte <= kMemoryTarget);
        const QString lat = at + QStringLiteral("latency/");
        const double med = median(lat + QStringLiteral("median_ms"));
        addRow(QStringLiteral("5. Send latency, Enter to peer's read, 1000 lines"), p,
               QStringLiteral("median %1 ms, p99 %2 ms, max %3 ms")
                   .arg(number(med, 3), number(median(lat + QStringLiteral("p99_ms")), 3),
                        number(median(lat + QStringLiteral("max_ms")), 3)),
               QStringLiteral("median < 1 ms"), QStringLiteral("-"),
               has(lat + QStringLiteral("median_ms")) && med < kLatencyTarget);
        const QString idle = at + QStringLiteral("idle/");
        const double clock = median(idle + QStringLiteral("clock_cpu_ms_per_s"));
        const double stopped = median(idle + QStringLiteral("stopped_cpu_ms_per_s"));
        const double bare = median(idle + QStringLiteral("bare_timer_cpu_ms_per_s"));
        const double ticks = median(idle + QStringLiteral("clock_wakeups_per_s"));
        const double tickMs = median(idle + QStringLiteral("tick_ns")) * ticks / 1e6;
        const double labelPaints = median(idle + QStringLiteral("clock_label_paints"));
        const double newSeconds = median(idle + QStringLiteral("clock_new_seconds"));
        addRow(QStringLiteral("6. Idle CPU, %1 s each, in turns").arg(idleSeconds), p,
               QStringLiteral("clock %1 ms/s (%2 wake-ups/s); the ticks' own work %3 ns each = "
                              "%4 ms/s; clock labels repainted %5 times for %6 new seconds; "
                              "Timer1 stopped %7 ms/s")
                   .arg(number(clock, 2), number(ticks, 0),
                        number(median(idle + QStringLiteral("tick_ns")), 0), number(tickMs, 3),
                        number(labelPaints, 0), number(newSeconds, 0), number(stopped, 2)),
               QStringLiteral("ticks' own work < 5% of the wake-ups; labels repainted only "
                              "when the time shown changes"),
               QStringLiteral("bare 1 ms timer, nothing done per tick: %1 ms/s (%2 wake-ups/s)")
                   .arg(number(bare, 2),
                        number(median(idle + QStringLiteral("bare_timer_wakeups_per_s")), 0)),
               has(idle + QStringLiteral("tick_ns")) && tickMs < 0.05 * bare &&
                   labelPaints <= newSeconds + 1);
        if (has(at + QStringLiteral("startup-client/shown_ms"))) {
            const double client = median(at + QStringLiteral("startup-client/shown_ms"));
            const double bareStart = median(at + QStringLiteral("startup-bare/shown_ms"));
            addRow(QStringLiteral("7. Start-up to first frame, median of %1").arg(kStartupRuns), p,
                   QStringLiteral("%1 ms (mapped at %2 ms)")
                       .arg(number(client),
                            number(median(at + QStringLiteral("startup-client/map_ms")))),
                   QStringLiteral("< 100 ms"),
                   QStringLiteral("bare Qt main window %1 ms").arg(number(bareStart)),
                   client < kStartupTarget);
        }
        const QString line = at + QStringLiteral("line/");
        addRow(QStringLiteral("+ 1 MiB line, no line end, 1 KiB pieces"), p,
               QStringLiteral("%1 s total, %2 arrivals, timer delay %3 ms")
                   .arg(number(median(line + QStringLiteral("seconds")), 2),
                        number(median(line + QStringLiteral("arrivals")), 0), number(lineDelay)),
               QStringLiteral("timer delay <= 50 ms"), QStringLiteral("-"),
               has(line + QStringLiteral("seconds")) && lineDelay <= kTimerTarget);
    }

    const QStringList header = {QStringLiteral("Figure"),
                                QStringLiteral("Platform"),
                                QStringLiteral("Measured"),
                                QStringLiteral("Target"),
                                QStringLiteral("Reference (same run)"),
                                QStringLiteral("")};
    QList<qsizetype> widths;
    for (const QString &h : header)
        widths.append(h.size());
    for (const QStringList &row : m_rows) {
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    }
    const auto print = [&](const QStringList &cells) {
        QString out = QStringLiteral("|");
        for (qsizetype i = 0; i < cells.size(); ++i)
            out += u' ' + cells[i].leftJustified(widths[i]) + QStringLiteral(" |");
        std::printf("%s\n", qPrintable(out));
    };
    std::printf("\n");
    print(header);
    QStringList rule;
    for (const qsizetype w : widths)
        rule.append(QString(w, u'-'));
    print(rule);
    for (const QStringList &row : m_rows)
        print(row);
    std::printf("\nLoad average at the end: %s\n", qPrintable(loadAverage()));
    std::printf("Floods: median of %d runs (timer delays and memory: the worst run). Text "
                "held is counted as the bytes received (ASCII: one character each).\n",
                repeats);
    std::fflush(stdout);
}
