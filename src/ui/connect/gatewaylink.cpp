#include "ui/connect/gatewaylink.h"

#include "net/gatewayport.h"
#include "net/winsock.h"

#include <utility>

GatewayLink::GatewayLink(Winsock *socket, Reporter report)
    : m_socket(socket)
    , m_report(std::move(report)) {}

int GatewayLink::state() const {
    return m_socket ? m_socket->State() : Winsock::sckClosed;
}

bool GatewayLink::connectTo(const QString &host) {
    if (!m_socket)
        return report({SocketResult::Connect, SocketResult::NoSocket, state()});
    m_socket->setProtocol(Winsock::sckTCPProtocol);
    m_socket->setRemoteHost(host);
    m_socket->setRemotePort(kGatewayPort);
    return report(m_socket->Connect());
}

bool GatewayLink::sendLines(const QStringList &lines) {
    if (!m_socket)
        return report({SocketResult::Send, SocketResult::NoSocket, state()});
    return report(m_socket->sendLines(lines));
}

QString GatewayLink::localIP() const {
    return m_socket ? m_socket->LocalIP() : Winsock::firstLocalIPv4();
}

bool GatewayLink::report(const SocketResult &result) const {
    if (result.needsTelling() && m_report)
        m_report(result);
    return result.ok();
}
