// brackmoor-gateway: a small local chat gateway for trying Brackmoor Chat offline and for the
// end-to-end tests.

#include "gatewayserver.h"
#include "signalwatcher.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>

#include <cstdio>

namespace {

const char kDescription[] =
    "A local chat gateway for trying Brackmoor Chat offline.\n"
    "\n"
    "Listens on ADDRESS, port 6112 (default 127.0.0.1) and serves any number of clients.\n"
    "One line is printed for each connection and each disconnection. SIGINT or SIGTERM\n"
    "(Ctrl+C) stops it.\n"
    "\n"
    "Clients log on with any new name and a non-empty password, which creates the account\n"
    "for as long as the gateway runs; after that the password must match. A name already\n"
    "logged on gets \"#2\", \"#3\"... added. Everyone starts in the channel \"Chat\".\n"
    "\n"
    "A client opens with byte 0x03; a 0x04 right after it switches off the echo of what it\n"
    "types. A client that sends neither (e.g. telnet or nc) is served all the same, with\n"
    "echo on: each line typed comes back, except the password.\n"
    "\n"
    "Lines may end with CR LF, LF or CR. Control bytes are dropped; every other byte is\n"
    "relayed as it came, UTF-8 or not. Incoming lines are kept to 2048 bytes and lines sent\n"
    "to 255 bytes (cut between characters, a closing quote kept). A client that has not\n"
    "logged on after 5 minutes, or that leaves more than 1 MiB unread, is disconnected.";

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
    SignalWatcher::blockTerminationSignals();

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brackmoor-gateway"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("ADDRESS"),
                                 QStringLiteral("IP address to listen on (default 127.0.0.1)."),
                                 QStringLiteral("[ADDRESS]"));
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
