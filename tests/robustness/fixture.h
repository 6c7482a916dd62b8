#pragma once

#include "common/bytes.h"
#include "common/fakegateway.h"
#include "common/testaddresses.h"
#include "net/winsock.h"
#include "ui/main/form1.h"
#include "ui/main/transcriptview.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

// Why the send-queue and memory probes cannot work in this build; null where they can.
extern const char *const kProbesMissing;
// The process's resident memory in bytes, or -1.
qint64 residentBytes();
// Waits until the peer acknowledged all `socket` wrote, turning the event loop only if asked.
bool waitAcknowledged(QTcpSocket *socket, bool turnLoop);
// Listens on `address`:6112 with a full accept queue; whether a connect made now hangs.
bool listenSilently(QTcpServer &server, const QString &address);
// The characters `bytes` must show as, decoded in one piece (and flushed if `ended`).
QString decodeWhole(QByteArrayView bytes, bool ended);
// Numbered chat lines with `word` in each, `size` bytes in all (the last one cut short).
QByteArray chatLines(qsizetype size, QByteArrayView word);

// Like QTest::qWaitFor without its sleeps; `longestTurn` gets the longest turn of the loop.
template<typename Done> bool spinUntil(Done done, int msecs = 5000, qint64 *longestTurn = nullptr) {
    QTimer wake; // something to wake the loop even when nothing else happens
    wake.start(5);
    QElapsedTimer clock;
    clock.start();
    for (qint64 turnStart = 0; !done(); turnStart = clock.elapsed()) {
        if (clock.elapsed() > msecs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (longestTurn)
            *longestTurn = qMax(*longestTurn, clock.elapsed() - turnStart);
    }
    return true;
}

// A control found by its object name; a missing one is a fault in the test and stops it.
template<typename T> T *child(const QObject *parent, const char *name) {
    T *found = parent ? parent->findChild<T *>(QString::fromLatin1(name)) : nullptr;
    if (!found)
        qFatal("no %s named %s", T::staticMetaObject.className(), name);
    return found;
}

// A fresh main window for every test, driven as the user drives it.
class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        SKIP_WITHOUT_LOOPBACK_ALIASES();
        form = std::make_unique<Form1>();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() {
        QList<QPointer<QWidget>> windows;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (!window->parent() && window != form.get())
                windows.append(window);
        qDeleteAll(windows);
        form.reset();
    }

protected:
    static QString address(int i) { return TestAddresses::address(TestAddresses::kRobustness, i); }
    static QWidget *openWindow(const char *name) {
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->isVisible() && window->objectName() == QLatin1StringView(name))
                return window;
        return nullptr;
    }
    Winsock *socket() const { return child<Winsock>(form.get(), "Winsock1"); }
    TranscriptView *transcript() const { return child<TranscriptView>(form.get(), "Text2"); }
    QString text() const { return transcript()->text(); }
    QLabel *statusLine() const { return child<QLabel>(form.get(), "statusLine"); }
    QString status() const { return statusLine()->text(); }
    void trigger(const char *action) const { child<QAction>(form.get(), action)->trigger(); }
    bool waitForState(int state, int msecs = 5000) const {
        return QTest::qWaitFor([this, state] { return socket()->State() == state; }, msecs);
    }
    // File, LogIn, `host` in the server box and Connect; returns the log-in window.
    QWidget *connectThroughLogin(const QString &host) const {
        trigger("mnuLogIn");
        QWidget *login = openWindow("frmLogin");
        auto *server = child<QComboBox>(login, "Combo1");
        if (server->currentText() != host)
            server->setEditText(host);
        QTest::mouseClick(child<QPushButton>(login, "cmdConnect"), Qt::LeftButton);
        return login;
    }
    bool connectTo(FakeGateway &gateway) const {
        connectThroughLogin(gateway.address());
        return waitForState(Winsock::sckConnected) && gateway.waitForClient();
    }
    void typeLine(const QString &line) const {
        auto *input = child<QLineEdit>(form.get(), "Text1");
        input->clear();
        QTest::keyClicks(input, line);
        QTest::keyClick(input, Qt::Key_Return);
    }

    // Send and "Log On!" fail with `sendFails` keeping what was typed, which goes out to a
    // gateway on `spare` after Disconnect and Connect (a second Connect changing nothing).
    void nothingTypedIsLost(const QString &sendFails, const QString &spare) const {
        const int state = socket()->State();
        typeLine(QStringLiteral("kept"));
        QCOMPARE(status(), sendFails);
        trigger("mnuLogIn");
        const QPointer<QWidget> login = openWindow("frmLogin");
        QTest::keyClicks(child<QLineEdit>(login, "Text1"), "name");
        statusLine()->clear(); // so that what it says next is the click's
        QTest::mouseClick(child<QPushButton>(login, "Command1"), Qt::LeftButton);
        QCOMPARE(status(), sendFails);
        QCOMPARE(socket()->State(), state);

        trigger("mnuDis");
        FakeGateway gateway(spare);
        QVERIFY(connectTo(gateway));
        QCOMPARE(status(), QStringLiteral("Connected to %1:6112").arg(gateway.address()));
        const QTcpSocket *first = gateway.client();
        connectThroughLogin(gateway.address());
        QVERIFY2(status().startsWith(u"Already connected"), qPrintable(status()));
        QTest::mouseClick(child<QPushButton>(form.get(), "cmdSend"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(login, "Command1"), Qt::LeftButton);
        const QByteArray expected("kept\r\n\x03\x04name\r\n\r\n");
        QVERIFY(gateway.waitForBytes(expected.size()));
        COMPARE_BYTES(gateway.received(), expected);
        QCOMPARE(gateway.client(), first);
        QCOMPARE(text(), QStringLiteral("kept\r\n[ YOUR CONNECTION HAS BEEN TERMINATED ]"));
        QTRY_VERIFY(!login);
    }

    std::unique_ptr<Form1> form;
};
