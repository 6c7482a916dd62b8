// brackmoor-gateway: a small local chat gateway for trying Brackmoor Chat offline and for the
// end-to-end tests.

#include "gatewayserver.h"
#include "net/gatewayport.h"
#include "signalwatcher.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>

#include <cstdio>

namespace {

const char kDescription[] =
    "A local chat gateway for trying Brackmoor Chat offline.\n"
    "\n"
    "Listens on ADDRESS, port %1 (default 127.0.0.1) and serves any number of clients.\n"
    "One line is printed for each connection and each disconnection. SIGINT or SIGTERM\n"
    "(Ctrl+C) stops it.\n"
    "\n"
    "It answers as the classic chat gateways do: nothing until the client's first byte\n"
    "(0x03 from a chat client), then a greeting and \"Username: \"; the name is echoed, the\n"
    "password never. Everyone starts in the channel \"Chat\"; whoever opens another channel\n"
    "is its operator. Unlike a real gateway it creates an account the first time a name\n"
    "logs on, for as long as it runs; after that the password must match.\n"
    "\n"
    "Lines may end with CR LF, LF or CR; empty lines are ignored. Control bytes (0x03 and\n"
    "0x04 among them) are dropped; every other byte is relayed as it came, UTF-8 or not.\n"
    "Incoming lines of 256 bytes or more are dropped, and lines sent are cut to 255 bytes,\n"
    "line end included. The flood quota lets about 4 lines (one per 40 bytes begun) pass\n"
    "in 5 seconds, refuses the next ones and disconnects at the tenth. A client that has\n"
    "not logged on after 5 minutes, or that leaves more than 1 MiB unread, is disconnected.";

bool parseAddress(const QString &text, QHostAddress &address) {
    if (text.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        address = QHostAddress(QHostAddress::LocalHost);
        return true;
    }
    return address.setAddress(text);
}

void printLine(const QString &line) {
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString describe(const QHostAddress &address) {
    const QString host = address.toString();
    return (address.protocol() == QAbstractSocket::IPv6Protocol
                ? QLatin1Char('[') + host + QLatin1Char(']')
                : host) +
           QLatin1Char(':') + QString::number(GatewayServer::kPort);
}

} // namespace

int main(int argc, char *argv[]) {
    SignalWatcher::prepareProcess();

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brackmoor-gateway"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription).arg(kGatewayPort));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("ADDRESS"),
                                 QStringLiteral("IP address to listen on (default 127.0.0.1)."),
                                 QStringLiteral("[ADDRESS]"));
    const QCommandLineOption noQuota(QStringLiteral("no-flood-quota"),
                                     QStringLiteral("Let clients send as fast as they like."));
    parser.addOption(noQuota);
    parser.process(app);

    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() > 1) {
        std::fputs("brackmoor-gateway: too many arguments; see --help\n", stderr);
        return 2;
    }
    QHostAddress address(QHostAddress::LocalHost);
    if (!arguments.isEmpty() && !parseAddress(arguments.first(), address)) {
        std::fprintf(stderr, "brackmoor-gateway: \"%s\" is not an IP address\n",
                     arguments.first().toLocal8Bit().constData());
        return 2;
    }

    GatewayServer server;
    server.setFloodQuota(!parser.isSet(noQuota));
    if (!server.listen(address)) {
        std::fprintf(stderr, "brackmoor-gateway: cannot listen on %s: %s\n",
                     describe(address).toLocal8Bit().constData(),
                     server.errorString().toLocal8Bit().constData());
        return 1;
    }

    SignalWatcher signals;
    QObject::connect(&signals, &SignalWatcher::terminationRequested, &app, &QCoreApplication::quit);
    QObject::connect(&server, &GatewayServer::clientConnected, &app,
                     [](const QString &peer) { printLine(QStringLiteral("Connected ") + peer); });
    QObject::connect(&server, &GatewayServer::clientDisconnected, &app,
                     [](const QString &peer, const QByteArray &name) {
                         QString line = QStringLiteral("Disconnected ") + peer;
                         if (!name.isEmpty())
                             line +=
                                 QStringLiteral(" (") + QString::fromUtf8(name) + QLatin1Char(')');
                         printLine(line);
                     });

    printLine(QStringLiteral("Listening on ") + describe(address));
    const int status = QCoreApplication::exec();
    server.stop();
    printLine(QStringLiteral("Stopped."));
    return status;
}
