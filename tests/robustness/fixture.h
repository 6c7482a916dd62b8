#pragma once

#include "common/fakegateway.h"
#include "net/winsock.h"
#include "ui/main/form1.h"
#include "ui/main/transcriptview.h"

#include <QAction>
#include <QLabel>
#include <QTest>

// Drives the real main window the way its menus and the log-in window would.
struct MainWindowDriver {
    Form1 *form;

    void trigger(const char *name) const {
        auto *action = form->findChild<QAction *>(QString::fromLatin1(name));
        QVERIFY2(action, name);
        action->trigger();
    }

    QLabel *statusLine() const { return form->findChild<QLabel *>(QStringLiteral("statusLine")); }

    // Starts a connect as the log-in window's Connect does.
    void startConnect(const QString &host) const {
        Winsock *socket = form->Winsock1;
        socket->setProtocol(Winsock::sckTCPProtocol);
        socket->setRemoteHost(host);
        socket->setRemotePort(6112);
        socket->Connect();
    }

    bool waitForState(int state, int msecs = 5000) const {
        Winsock *socket = form->Winsock1;
        return QTest::qWaitFor([socket, state] { return socket->State() == state; }, msecs);
    }

    bool connectTo(FakeGateway &gateway) const {
        startConnect(gateway.address());
        return waitForState(Winsock::sckConnected) && gateway.waitForClient();
    }
};
