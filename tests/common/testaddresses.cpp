#include "testaddresses.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QtGlobal>

namespace TestAddresses {

QString address(Block block, int index) {
    if (index < 0 || index >= block.count)
        qFatal("test address %d is outside the block of %d from 127.0.0.%d", index, block.count,
               block.first);
    return QStringLiteral("127.0.0.%1").arg(block.first + index);
}

QString loopbackAliasesMissing() {
    // Any port does: the question is only whether the address itself is there.
    QTcpServer probe;
    if (probe.listen(QHostAddress(QStringLiteral("127.0.0.254")), 0))
        return {};
    return QStringLiteral("loopback addresses other than 127.0.0.1 are not available here (%1)")
        .arg(probe.errorString());
}

} // namespace TestAddresses
