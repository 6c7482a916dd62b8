#pragma once

#include <QMap>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// Runs every scenario in processes of its own, on each platform (offscreen, and a private
// Xvfb when one is installed), and prints one table: each figure, its target, the reference
// measured in the same run, and whether the target is met.
class Driver {
public:
    struct Paths {
        QString bench;  // this program, which runs the scenarios
        QString client; // the real brackmoor-chat
        QString bare;   // the bare Qt main window
        QString xwatch; // the start-up watcher; empty when it was not built
        QString logDir; // where each scenario's own output goes
    };

    explicit Driver(const Paths &paths);
    int run();

    // How many times each flood is repeated; its figures are the median (timer delays and
    // memory: the worst).
    int repeats = 3;
    int idleSeconds = 20;

private:
    using Results = QMap<QString, QList<double>>;

    struct Platform {
        QString name; // "offscreen" or "xvfb"
        QProcessEnvironment environment;
    };

    bool runChild(const Platform &platform, const QString &tag, const QString &program,
                  const QStringList &arguments, int timeoutSeconds);
    void runPlatform(const Platform &platform);
    bool startXvfb();
    void stopXvfb();

    double median(const QString &key) const;
    double worst(const QString &key) const;
    bool has(const QString &key) const;

    void printMachine() const;
    void printTable();
    void addRow(const QString &figure, const QString &platform, const QString &measured,
                const QString &target, const QString &reference, bool pass);

    Paths m_paths;
    Results m_results;
    QStringList m_platforms;
    QList<QStringList> m_rows;
    bool m_allWhole = true;
    pid_t m_xvfb = -1;
    QString m_display;
};
