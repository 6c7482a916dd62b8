// brackmoor-bench: the benchmarks of the chat client.
//
//   brackmoor-bench [--repeats N] [--idle-seconds S]   runs them all and prints the table
//   brackmoor-bench scenario NAME ARGS...               runs one scenario (used by the above)

#include "driver.h"
#include "scenarios.h"

#include "ui/application.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace {

int runScenario(int argc, char *argv[]) {
    QApplication app(argc, argv);
    setUpApplication();
    const QStringList args = QCoreApplication::arguments().mid(2);
    const QString name = args.value(0);
    const auto arg = [&](int i) { return args.value(i); };
    if (name == QLatin1String("flood"))
        return floodScenario(arg(1).toInt(), arg(2));
    if (name == QLatin1String("reader"))
        return referenceReaderScenario(arg(1).toInt(), arg(2), ReaderLayer::QTcpSocket);
    if (name == QLatin1String("raw-reader"))
        return referenceReaderScenario(arg(1).toInt(), arg(2), ReaderLayer::Recv);
    if (name == QLatin1String("winsock-reader"))
        return referenceReaderScenario(arg(1).toInt(), arg(2), ReaderLayer::Winsock);
    if (name == QLatin1String("megabyte-line"))
        return megabyteLineScenario(arg(1));
    if (name == QLatin1String("latency"))
        return sendLatencyScenario(arg(1).toInt(), arg(2));
    if (name == QLatin1String("idle"))
        return idleScenario(arg(1).toInt());
    std::fprintf(stderr, "unknown scenario %s\n", qPrintable(name));
    return 2;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc > 1 && std::strcmp(argv[1], "scenario") == 0)
        return runScenario(argc, argv);

    QCoreApplication app(argc, argv);
    Driver::Paths paths;
    paths.bench = QCoreApplication::applicationFilePath();
    paths.client = QStringLiteral(BRACKMOOR_CHAT_PATH);
    paths.bare = QStringLiteral(BRACKMOOR_BARE_WINDOW_PATH);
    paths.xwatch = QStringLiteral(BRACKMOOR_XWATCH_PATH);
    paths.logDir = QCoreApplication::applicationDirPath() + QStringLiteral("/logs");
    Driver driver(paths);
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--repeats"))
            driver.repeats = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--idle-seconds"))
            driver.idleSeconds = args[i + 1].toInt();
    }
    return driver.run();
}
