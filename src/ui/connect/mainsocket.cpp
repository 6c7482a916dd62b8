#include "mainsocket.h"

#include "net/socketerror.h"
#include "net/winsock.h"
#include "ui/main/form1.h"

#include <QCoreApplication>

namespace {

// The gateways' port, held as text as the program always has, and turned into a number when
// it is set.
const QString kGatewayPort = QStringLiteral("6112");

Winsock *mainSocket() {
    Form1 *form = Form1::instance();
    return form ? form->Winsock1 : nullptr;
}

[[noreturn]] void throwNoSocket(const char *what) {
    throw SocketError(SocketError::NoSocket, QCoreApplication::translate("mainsocket", what));
}

} // namespace

int socketState() {
    const Winsock *socket = mainSocket();
    return socket ? socket->State() : Winsock::sckClosed;
}

void connectToGateway(const QString &host) {
    Winsock *Winsock1 = mainSocket();
    if (!Winsock1)
        throwNoSocket("Not connected: the main window is closed, and its connection with it.");
    Winsock1->setProtocol(Winsock::sckTCPProtocol);
    Winsock1->setRemoteHost(host);
    Winsock1->setRemotePort(kGatewayPort.toInt());
    Winsock1->Connect();
}

void sendToGateway(const QString &data) {
    Winsock *Winsock1 = mainSocket();
    if (!Winsock1)
        throwNoSocket("Not sent: the main window is closed, and its connection with it.");
    Winsock1->SendData(data);
}

QString localIP() {
    const Winsock *socket = mainSocket();
    return socket ? socket->LocalIP() : Winsock::firstLocalIPv4();
}
