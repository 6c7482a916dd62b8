#include "scenarios.h"

#include "benchutil.h"
#include "chatlines.h"
#include "loopbackpeer.h"

#include "net/gatewayport.h"
#include "net/winsock.h"
#include "ui/main/form1.h"
#include "ui/main/transcriptview.h"
#include "widgets/singlewindow.h"

#include <QApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kTimeoutMs = 120000;
constexpr std::int64_t kMiB = 1024 * 1024;

// Turns the event loop until `done()` holds; false after `msecs`.
template<typename Done> bool spinUntil(Done done, int msecs = kTimeoutMs) {
    QTimer wake; // the loop wakes up even when nothing else happens
    wake.start(5);
    const std::int64_t deadline = nowNs() + std::int64_t(msecs) * 1000000;
    while (!done()) {
        if (nowNs() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void runEventLoopFor(int msecs) {
    QEventLoop loop;
    QTimer::singleShot(msecs, &loop, &QEventLoop::quit);
    loop.exec();
}

// The main window as main() makes it: deleted on close, centred, shown, and painted once.
QPointer<Form1> showMainWindow() {
    QPointer<Form1> form = new Form1;
    form->setAttribute(Qt::WA_DeleteOnClose);
    centreOnScreen(form);
    form->show();
    if (!QTest::qWaitForWindowExposed(form))
        std::fprintf(stderr, "the main window was not exposed\n");
    runEventLoopFor(200); // the first frames and the clock's first tick
    return form;
}

// One of the main window's controls, by its object name.
template<typename Control> Control *control(Form1 *form, const char *name) {
    return form->findChild<Control *>(QString::fromLatin1(name));
}

// Connects the window's socket to the peer as the log-in window's Connect does.
bool connectWindow(Form1 *form, const LoopbackPeer &peer) {
    if (!peer.isListening())
        return false;
    Winsock *socket = control<Winsock>(form, "Winsock1");
    socket->setProtocol(Winsock::sckTCPProtocol);
    socket->setRemoteHost(peer.address());
    socket->setRemotePort(kGatewayPort);
    return socket->Connect().ok() &&
           spinUntil([&] { return socket->State() == Winsock::sckConnected; }, 10000);
}

// The flood of `total` bytes, cycling through `block`, once `go` is raised; the connection
// stays open until `finished` is raised.
void sendFlood(int fd, const QByteArray &block, std::int64_t total, SharedCount &go,
               SharedCount &finished) {
    if (!go.waitFor(1, kTimeoutMs))
        return;
    for (std::int64_t sent = 0; sent < total;) {
        const std::int64_t offset = sent % block.size();
        const std::int64_t n =
            std::min<std::int64_t>({256 * 1024, block.size() - offset, total - sent});
        if (!LoopbackPeer::sendAll(fd, block.constData() + offset, n))
            return;
        sent += n;
    }
    finished.waitFor(1, kTimeoutMs);
}

// Whether `text` from `from` on holds exactly the flood's bytes.
bool holdsFlood(const QString &text, qsizetype from, const QByteArray &block, qint64 total) {
    if (text.size() != from + total)
        return false;
    const QChar *data = text.constData() + from;
    for (qint64 done = 0; done < total;) {
        const qint64 n = std::min<qint64>(block.size(), total - done);
        for (qint64 i = 0; i < n; ++i) {
            if (data[done + i].unicode() != uchar(block[i]))
                return false;
        }
        done += n;
    }
    return true;
}

// Where the flood stood at one tenth of the way: when, how many bytes, GUI thread CPU.
struct Mark {
    std::int64_t at = 0;
    qint64 bytes = 0;
    std::int64_t cpu = 0;
};

} // namespace

int floodScenario(int mib, const QString &address) {
    const QByteArray block = chatlines::block();
    const qint64 total = chatlines::floodBytes(mib);
    QPointer<Form1> form = showMainWindow();
    LoopbackPeer peer(address);
    SharedCount go, finished;
    peer.run([&](int fd) { sendFlood(fd, block, total, go, finished); });
    if (!connectWindow(form, peer)) {
        std::fprintf(stderr, "no connection to %s\n", qPrintable(address));
        go.raiseTo(1);
        finished.raiseTo(1);
        return 1;
    }
    runEventLoopFor(100);

    TranscriptView *transcript = control<TranscriptView>(form, "Text2");
    const qsizetype base = transcript->length();
    PaintCounter frames(transcript->viewport());
    std::vector<Mark> marks;
    int arrivals = 0;
    QEventLoop loop;
    // Runs after the window's own handler of each arrival, so it sees what that one appended.
    QObject::connect(control<Winsock>(form, "Winsock1"), &Winsock::DataArrival, &loop, [&] {
        ++arrivals;
        const qint64 got = transcript->length() - base;
        const std::size_t next = marks.size();
        if (next == 0 || (next <= 10 && got >= total * qint64(next) / 10))
            marks.push_back(Mark{nowNs(), got, threadCpuNs()});
        if (got >= total)
            loop.quit();
    });
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);

    TimerProbe probe(10);
    resetPeakResident();
    const qint64 idle = residentBytes();
    probe.start();
    const std::int64_t cpuStart = threadCpuNs();
    const std::int64_t start = nowNs();
    go.raiseTo(1);
    loop.exec();
    const std::int64_t end = nowNs();
    const std::int64_t cpu = threadCpuNs() - cpuStart;
    probe.stop();
    const qint64 peak = peakResidentBytes();
    const qint64 held = residentBytes();
    finished.raiseTo(1);
    peer.join();

    const qint64 got = transcript->length() - base;
    const bool whole = holdsFlood(transcript->document().text(), base, block, total) &&
                       transcript->selectionStart() == transcript->length();
    std::fprintf(stderr, "flood %d MiB: %lld of %lld bytes, %d arrivals, %d frames\n", mib, got,
                 total, arrivals, frames.count());
    result("bytes", double(total));
    result("received", double(got));
    result("whole", whole ? 1 : 0);
    result("seconds", nsToMs(end - start) / 1000);
    result("mibps", double(got) / kMiB / (double(end - start) / 1e9));
    result("cpu_ms_per_mib", nsToMs(cpu) / (double(got) / kMiB));
    result("arrivals", arrivals);
    result("frames", frames.count());
    result("timer_late_ms", probe.worstLatenessMs());
    result("idle_rss", double(idle));
    result("peak_rss", double(peak));
    result("rss_per_byte", double(peak - idle) / double(std::max<qint64>(1, got)));
    result("held_per_byte", double(held - idle) / double(std::max<qint64>(1, got)));
    if (marks.size() == 11) {
        const auto perMiB = [&](const Mark &a, const Mark &b, bool cpu) {
            const double mibs = double(b.bytes - a.bytes) / kMiB;
            return nsToMs(cpu ? b.cpu - a.cpu : b.at - a.at) / mibs;
        };
        result("flatness_wall",
               perMiB(marks[9], marks[10], false) / perMiB(marks[0], marks[1], false));
        result("flatness_cpu",
               perMiB(marks[9], marks[10], true) / perMiB(marks[0], marks[1], true));
        result("first_tenth_ms_per_mib", perMiB(marks[0], marks[1], false));
        result("last_tenth_ms_per_mib", perMiB(marks[9], marks[10], false));
        result("first_tenth_cpu_ms_per_mib", perMiB(marks[0], marks[1], true));
        result("last_tenth_cpu_ms_per_mib", perMiB(marks[9], marks[10], true));
    }
    delete form;
    return whole ? 0 : 1;
}

int referenceReaderScenario(int mib, const QString &address, ReaderLayer layer) {
    const QByteArray block = chatlines::block();
    const qint64 total = chatlines::floodBytes(mib);
    LoopbackPeer peer(address);
    SharedCount go, finished;
    peer.run([&](int fd) { sendFlood(fd, block, total, go, finished); });
    qint64 got = 0;
    std::int64_t start = 0, end = 0;
    std::vector<char> buffer(64 * 1024);

    if (layer == ReaderLayer::Recv) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(kGatewayPort);
        inet_pton(AF_INET, address.toLatin1().constData(), &where.sin_addr);
        if (::connect(fd, reinterpret_cast<sockaddr *>(&where), sizeof where) == 0) {
            start = nowNs();
            go.raiseTo(1);
            while (got < total) {
                const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
                if (n <= 0)
                    break;
                got += n;
            }
            end = nowNs();
        }
        ::close(fd);
    } else if (layer == ReaderLayer::Winsock) {
        Winsock socket;
        QEventLoop loop;
        QObject::connect(&socket, &Winsock::DataArrival, &loop, [&] {
            QString data;
            socket.GetData(data);
            got += data.size();
            if (got >= total)
                loop.quit();
        });
        QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
        socket.setRemoteHost(address);
        socket.setRemotePort(kGatewayPort);
        if (socket.Connect().ok() &&
            spinUntil([&] { return socket.State() == Winsock::sckConnected; }, 10000)) {
            start = nowNs();
            go.raiseTo(1);
            loop.exec();
            end = nowNs();
        }
    } else {
        QTcpSocket socket;
        QEventLoop loop;
        QObject::connect(&socket, &QIODevice::readyRead, &loop, [&] {
            qint64 n;
            while ((n = socket.read(buffer.data(), qint64(buffer.size()))) > 0)
                got += n;
            if (got >= total)
                loop.quit();
        });
        QObject::connect(&socket, &QAbstractSocket::disconnected, &loop, &QEventLoop::quit);
        QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
        socket.connectToHost(address, kGatewayPort);
        if (socket.waitForConnected(10000)) {
            start = nowNs();
            go.raiseTo(1);
            loop.exec();
            end = nowNs();
        }
    }
    go.raiseTo(1);
    finished.raiseTo(1);
    peer.join();
    result("bytes", double(total));
    result("received", double(got));
    result("mibps", end > start ? double(got) / kMiB / (double(end - start) / 1e9) : 0.0);
    return got == total ? 0 : 1;
}

int megabyteLineScenario(const QString &address) {
    constexpr qint64 kLine = 1024 * 1024;
    constexpr qint64 kPiece = 1024;
    QByteArray line;
    line.reserve(kLine + 64);
    while (line.size() < kLine)
        line += "chat " + QByteArray::number(line.size(), 36) + ' ';
    line.truncate(kLine);

    QPointer<Form1> form = showMainWindow();
    LoopbackPeer peer(address);
    SharedCount go, shown;
    std::atomic<int> pieces{0};
    peer.run([&](int fd) {
        if (!go.waitFor(1, kTimeoutMs))
            return;
        // One piece at a time: the next goes once the window has put the last one on show.
        for (qint64 sent = 0; sent < kLine; sent += kPiece) {
            if (!LoopbackPeer::sendAll(fd, line.constData() + sent, kPiece) ||
                !shown.waitFor(sent + kPiece, kTimeoutMs))
                return;
            ++pieces;
        }
    });
    if (!connectWindow(form, peer)) {
        go.raiseTo(1);
        shown.raiseTo(kLine);
        return 1;
    }
    runEventLoopFor(100);

    TranscriptView *transcript = control<TranscriptView>(form, "Text2");
    const qsizetype base = transcript->length();
    int arrivals = 0;
    QEventLoop loop;
    QObject::connect(control<Winsock>(form, "Winsock1"), &Winsock::DataArrival, &loop, [&] {
        ++arrivals;
        const qint64 got = transcript->length() - base;
        shown.raiseTo(got);
        if (got >= kLine)
            loop.quit();
    });
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    TimerProbe probe(10);
    probe.start();
    const std::int64_t start = nowNs();
    go.raiseTo(1);
    loop.exec();
    const std::int64_t end = nowNs();
    probe.stop();
    shown.raiseTo(kLine);
    peer.join();

    const bool whole = transcript->document().text().mid(base) == QLatin1StringView(line);
    result("whole", whole ? 1 : 0);
    result("pieces", pieces.load());
    result("arrivals", arrivals);
    result("seconds", nsToMs(end - start) / 1000);
    result("timer_late_ms", probe.worstLatenessMs());
    delete form;
    return whole ? 0 : 1;
}

int sendLatencyScenario(int lines, const QString &address) {
    constexpr int kWarmUp = 20;
    const int count = lines + kWarmUp;
    std::vector<std::int64_t> received(std::size_t(count), 0);
    SharedCount linesIn;
    QByteArray wire;
    QPointer<Form1> form = showMainWindow();
    LoopbackPeer peer(address);
    peer.run([&](int fd) {
        char buffer[4096];
        int line = 0;
        while (line < count) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            const std::int64_t at = nowNs();
            wire.append(buffer, qsizetype(n));
            for (ssize_t i = 0; i < n && line < count; ++i) {
                if (buffer[i] == '\n')
                    received[std::size_t(line++)] = at;
            }
            linesIn.raiseTo(line);
            // Wake the window's event loop; the measurement has its time already.
            QMetaObject::invokeMethod(
                qApp, [] {}, Qt::QueuedConnection);
        }
    });
    if (!connectWindow(form, peer))
        return 1;
    runEventLoopFor(100);

    QByteArray expected;
    std::vector<std::int64_t> pressed(std::size_t(count), 0);
    QLineEdit *input = control<QLineEdit>(form, "Text1");
    for (int i = 0; i < count; ++i) {
        const QString text = QStringLiteral("hello from the benchmark, line %1").arg(i);
        expected += text.toLatin1() + "\r\n";
        input->setText(text);
        pressed[std::size_t(i)] = nowNs();
        QTest::keyClick(input, Qt::Key_Return);
        if (!spinUntil([&] { return linesIn.value() > i; }, 10000))
            break;
    }
    peer.join();

    std::vector<double> latencies;
    for (int i = kWarmUp; i < count; ++i) {
        if (received[std::size_t(i)] > 0)
            latencies.push_back(nsToMs(received[std::size_t(i)] - pressed[std::size_t(i)]));
    }
    std::sort(latencies.begin(), latencies.end());
    const auto quantile = [&](double q) {
        return latencies.empty() ? 0.0 : latencies[std::size_t(q * double(latencies.size() - 1))];
    };
    const bool whole = wire == expected && int(latencies.size()) == lines;
    result("whole", whole ? 1 : 0);
    result("lines", double(latencies.size()));
    result("median_ms", quantile(0.5));
    result("p99_ms", quantile(0.99));
    result("max_ms", quantile(1.0));
    delete form;
    return whole ? 0 : 1;
}

int idleScenario(int seconds) {
    QPointer<Form1> form = showMainWindow();
    std::vector<std::unique_ptr<PaintCounter>> painted;
    painted.push_back(std::make_unique<PaintCounter>(form));
    const auto children = form->findChildren<QWidget *>();
    for (QWidget *child : children)
        painted.push_back(std::make_unique<PaintCounter>(child));
    const auto paints = [&] {
        int sum = 0;
        for (const auto &counter : painted)
            sum += counter->count();
        return sum;
    };
    PaintCounter timePaints(control<QLabel>(form, "Label1"));
    PaintCounter datePaints(control<QLabel>(form, "Label2"));

    // The platform's own cost of a 1 ms timer: the same wake-ups with nothing done on each.
    QTimer bare;
    bare.setInterval(1);
    QObject::connect(&bare, &QTimer::timeout, &bare, [] {});

    // Three ways of idling, taken in turns of a quarter of the time each, so that other
    // work on the machine weighs on all three alike.
    struct Phase {
        const char *name;
        std::int64_t cpu = 0;
        std::int64_t wall = 0;
        long switches = 0;
        int paints = 0;
        int labelPaints = 0;
        qint64 newSeconds = 0; // how often the shown time changed
    };
    Phase phases[] = {{"clock"}, {"stopped"}, {"bare_timer"}};
    runEventLoopFor(1000); // settle
    for (int turn = 0; turn < 4; ++turn) {
        for (Phase &phase : phases) {
            const bool clock = &phase == &phases[0];
            const bool bareTimer = &phase == &phases[2];
            if (clock)
                control<QTimer>(form, "Timer1")->start();
            else
                control<QTimer>(form, "Timer1")->stop();
            if (bareTimer)
                bare.start();
            else
                bare.stop();
            runEventLoopFor(200);
            const int paints0 = paints();
            const int labels0 = timePaints.count() + datePaints.count();
            const long switches0 = voluntarySwitches();
            const std::int64_t cpu0 = processCpuNs();
            const std::int64_t start = nowNs();
            const qint64 second0 = QDateTime::currentMSecsSinceEpoch() / 1000;
            runEventLoopFor(seconds * 250);
            phase.wall += nowNs() - start;
            phase.newSeconds += QDateTime::currentMSecsSinceEpoch() / 1000 - second0;
            phase.cpu += processCpuNs() - cpu0;
            phase.switches += voluntarySwitches() - switches0;
            phase.paints += paints() - paints0;
            phase.labelPaints += timePaints.count() + datePaints.count() - labels0;
        }
    }
    bare.stop();
    for (const Phase &phase : phases) {
        const auto key = [&phase](const char *figure) {
            QByteArray key(phase.name);
            key += '_';
            key += figure;
            return key;
        };
        const double elapsed = double(phase.wall) / 1e9;
        result(key("cpu_ms_per_s"), nsToMs(phase.cpu) / elapsed);
        result(key("wakeups_per_s"), double(phase.switches) / elapsed);
        result(key("paints_per_s"), double(phase.paints) / elapsed);
        result(key("label_paints_per_s"), double(phase.labelPaints) / elapsed);
        result(key("label_paints"), phase.labelPaints);
        result(key("new_seconds"), double(phase.newSeconds));
    }

    // The tick's own work, without the wake-up: the handler called back to back for two
    // seconds, new seconds (and their label updates) included as they come.
    control<QTimer>(form, "Timer1")->stop();
    std::int64_t calls = 0;
    const std::int64_t cpu0 = threadCpuNs();
    const std::int64_t until = nowNs() + 2000000000;
    while (nowNs() < until) {
        for (int i = 0; i < 1000; ++i)
            form->timer1_timer();
        calls += 1000;
    }
    result("tick_ns", double(threadCpuNs() - cpu0) / double(calls));
    delete form;
    return 0;
}
