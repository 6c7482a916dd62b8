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

// Why the kernel's send queue and the resident memory cannot be read in this build (they are
// read through Linux interfaces); null where they can.
extern const char *const kProbesMissing;
// The process's resident memory in bytes, or -1.
qint64 residentBytes();
// Waits until the peer has acknowledged every byte `socket` wrote; with `turnLoop` false
// without turning the event loop, so that nothing in this process reads them meanwhile.
bool waitAcknowledged(QTcpSocket *socket, bool turnLoop);
// Listens on `address`:6112 with an accept queue that is full and never emptied, so that the
// kernel drops every further SYN; whether a connect made now hangs.
bool listenSilently(QTcpServer &server, const QString &address);
// The characters a byte stream must show as: decoded in one piece, and ended as the socket
// ends it once the gateway has closed (bytes of an unfinished character shown as they are).
QString decodeWhole(QByteArrayView bytes, bool ended);
// Numbered chat lines with `word` in each, `size` bytes in all (the last one cut short).
QByteArray chatLines(qsizetype size, QByteArrayView word);

// Turns the event loop until `done()` holds or `msecs` have passed, without the fixed sleeps
// of QTest::qWaitFor, so that a flood is taken as fast as the window can; `longestTurn` gets
// the longest time one turn of the loop took, which is how long the window stood still.
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

// The base of the robustness tests: a fresh main window for every test, driven as the user
// drives it (menus, the log-in window, the input line) and read through its controls' names.
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
        // The secondary windows have no owner; deleting one may take others with it.
        QList<QPointer<QWidget>> windows;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (!window->parent() && window != form.get())
                windows.append(window);
        qDeleteAll(windows);
        form.reset();
    }

protected:
    static QString address(int i) { return TestAddresses::address(TestAddresses::kRobustness, i); }
    // The shown secondary window with this object name, or nullptr.
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

    // Whatever state the connection is left in, Send and "Log On!" say why they cannot send,
    // keep what was typed and leave the state as it is; after Disconnect and Connect both go
    // out through a gateway on `spare` (and Connect pressed again while connected changes
    // nothing).
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
