#include "fixture.h"

#include "net/ansicodec.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#if defined(BRACKMOOR_USE_LINUX)
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <unistd.h>

const char *const kProbesMissing = nullptr;

qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    const QList<QByteArray> fields =
        statm.open(QIODevice::ReadOnly) ? statm.readAll().split(' ') : QList<QByteArray>();
    return fields.size() > 1 ? fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE) : -1;
}

static int unacknowledgedBytes(const QTcpSocket *socket) {
    int queued = -1;
    return ::ioctl(int(socket->socketDescriptor()), SIOCOUTQ, &queued) == 0 ? queued : -1;
}
#else
const char *const kProbesMissing = "the kernel's send queue and the resident memory are read "
                                   "through Linux interfaces, which this build leaves out";

qint64 residentBytes() {
    return -1;
}
static int unacknowledgedBytes(const QTcpSocket *) {
    return -1;
}
#endif

bool waitAcknowledged(QTcpSocket *socket, bool turnLoop) {
    const auto acknowledged = [socket] {
        socket->flush();
        return socket->bytesToWrite() == 0 && unacknowledgedBytes(socket) == 0;
    };
    if (turnLoop)
        return spinUntil(acknowledged, 20000);
    for (const QDeadlineTimer deadline(5000); !deadline.hasExpired(); QThread::usleep(500))
        if (acknowledged())
            return true;
    return false;
}

QString decodeWhole(QByteArrayView bytes, bool ended) {
    AnsiDecoder decoder;
    QString text = decoder.decode(bytes);
    if (ended)
        decoder.flush(text);
    return text;
}

QByteArray chatLines(qsizetype size, QByteArrayView word) {
    QByteArray bytes;
    for (int i = 0; bytes.size() < size; ++i)
        bytes += "1005 TALK user" + QByteArray::number(i % 97) + " 0010 \"line " +
                 QByteArray::number(i) + ", " + word + "\"\r\n";
    bytes.truncate(size);
    return bytes;
}

bool listenSilently(QTcpServer &server, const QString &address) {
    // Never accepted, and with a backlog of 0 the kernel's queue is full after the first.
    server.setMaxPendingConnections(0);
    server.setListenBacklogSize(0);
    if (!server.listen(QHostAddress(address), FakeGateway::kPort))
        return false;
    // Connect until one hangs: from then on every SYN is dropped.
    for (int i = 0; i < 8; ++i) {
        auto *filler = new QTcpSocket(&server);
        filler->connectToHost(address, FakeGateway::kPort);
        if (!filler->waitForConnected(300))
            return true;
    }
    return false;
}
