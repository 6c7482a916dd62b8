#pragma once

#include "common/fakegateway.h"
#include "net/winsock.h"
#include "ui/main/form1.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <algorithm>

// Chooses an item of the main window's menu bar.
inline void choose(Form1 *form, const char *item) {
    form->findChild<QAction *>(QString::fromLatin1(item))->trigger();
}

// Connects the main window's socket to the gateway and waits until both ends see it.
inline bool connectTo(Form1 *form, FakeGateway &gateway) {
    form->Winsock1->setRemoteHost(gateway.address());
    form->Winsock1->Connect();
    return gateway.waitForClient() &&
           QTest::qWaitFor([form] { return form->Winsock1->State() == Winsock::sckConnected; });
}

// Types `text` key by key, characters outside ASCII included.
inline void typeText(QWidget *widget, const QString &text) {
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

// Answers every message box that comes up with the button whose caption is `answer`, and
// records each box as "title|text|buttons left to right|icon".
class BoxWatcher : public QObject {
public:
    explicit BoxWatcher(const QString &answer)
        : m_answer(answer) {
        connect(&m_timer, &QTimer::timeout, this, &BoxWatcher::look);
        m_timer.start(10);
    }
    QStringList boxes;

private:
    void look() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        QList<QAbstractButton *> buttons = box->buttons();
        std::sort(buttons.begin(), buttons.end(), [](auto *a, auto *b) {
            return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
        });
        QStringList captions;
        for (QAbstractButton *button : buttons)
            captions.append(button->text().remove(u'&'));
        boxes.append(box->windowTitle() + u'|' + box->text() + u'|' + captions.join(u',') + u'|' +
                     QString::number(box->icon()));
        const qsizetype answer = captions.indexOf(m_answer);
        buttons.at(answer < 0 ? 0 : answer)->click();
    }
    QString m_answer;
    QTimer m_timer;
};
