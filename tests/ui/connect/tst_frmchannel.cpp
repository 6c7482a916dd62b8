#include "connecttest.h"
#include "ui/connect/frmchannel.h"
#include "ui/look.h"
#include "ui/main/transcriptview.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <memory>

using namespace Qt::StringLiterals;

// Gateways of these tests: 127.0.0.22 and 127.0.0.23.
class tst_frmChannel : public QObject {
    Q_OBJECT

    std::unique_ptr<Form1> form;
    frmChannel *open() {
        choose(form.get(), "mnuChannels");
        return form->channelWindow();
    }
    static void pick(QListWidget *list, const QString &entry, bool twice = false) {
        const QPoint at =
            list->visualItemRect(list->findItems(entry, Qt::MatchExactly).at(0)).center();
        if (twice)
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        else
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    static const inline QString kBox = u"Connect|Connect First|Cancel,Try Again,Continue|0"_s;

private Q_SLOTS:
    void init() { form = std::make_unique<Form1>(); }
    void cleanup() {
        delete form->channelWindow();
        form.reset();
    }

    void windowAsBuilt() {
        frmChannel *w = open();
        QCOMPARE(w->windowTitle(), u"Join Channel..."_s);
        QCOMPARE(w->size(), QSize(169, 259));
        QCOMPARE(w->windowType(), Qt::Tool);
        QCOMPARE(w->List1->parentWidget(), w->Frame1);
        QCOMPARE(w->List1->geometry(), twipsRect(120, 240, 2295, 2985));
        QCOMPARE(w->List1->palette().color(QPalette::Text), QColor(0, 255, 0));
        QCOMPARE(w->List1->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(QTest::qWaitForWindowActive(w));
        QStringList order;
        for (int i = 0; i < 4; ++i) {
            order.append(QApplication::focusWidget()->objectName());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order.join(u' '), u"cmdCancel Command1 List1 cmdCancel"_s);
    }

    void nineEntriesAtEachOpening() {
        const QStringList entries = {
            u"Open Tech Support"_s, u"Blizzard Tech Support"_s, u"Cheaters"_s,
            u"Bounty Hunters"_s,    u"Diablo Retail USA-1"_s,   u"Guild Recruitment"_s,
            u"Guild Members"_s,     u"Starcraft USA-1"_s,       u"Magic"_s};
        for (int opening = 0; opening < 2; ++opening) {
            frmChannel *w = open();
            QStringList shown;
            for (int i = 0; i < w->List1->count(); ++i)
                shown.append(w->List1->item(i)->text());
            QCOMPARE(shown, entries);
            QVERIFY(w->List1->selectedItems().isEmpty());
            pick(w->List1, u"Cheaters"_s);
            w->cmdCancel->click();
            QTRY_VERIFY(!form->channelWindow());
        }
    }

    void joinWhileConnected_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QByteArray>("sent");
        QTest::newRow("Magic") << u"Magic"_s << "/join magic\r\n"_ba;
        QTest::newRow("Diablo") << u"Diablo Retail USA-1"_s << "/join diablo retail usa-1\r\n"_ba;
        QTest::newRow("none") << QString() << QByteArray();
        QTest::newRow("current only") << u"-"_s << QByteArray();
    }
    void joinWhileConnected() {
        QFETCH(QString, entry);
        QFETCH(QByteArray, sent);
        FakeGateway gateway(u"127.0.0.22"_s);
        QVERIFY(connectTo(form.get(), gateway));
        form->Text1->setText(u"typed"_s);
        const QString transcript = form->Text2->text();
        frmChannel *w = open();
        if (entry == u"-")
            w->List1->setCurrentRow(8, QItemSelectionModel::NoUpdate);
        else if (!entry.isEmpty())
            pick(w->List1, entry);
        BoxWatcher watcher(u"Cancel"_s);
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QTRY_VERIFY(!form->channelWindow());
        QTest::qWait(50);
        QCOMPARE(gateway.received(), sent);
        QVERIFY(watcher.boxes.isEmpty());
        QCOMPARE(form->Text1->text(), u"typed"_s);
        QCOMPARE(form->Text2->text(), transcript);
    }

    void joinWhileClosed_data() {
        QTest::addColumn<QString>("answer");
        QTest::newRow("Cancel") << u"Cancel"_s;
        QTest::newRow("Try Again") << u"Try Again"_s;
        QTest::newRow("Continue") << u"Continue"_s;
    }
    void joinWhileClosed() {
        QFETCH(QString, answer);
        BoxWatcher watcher(answer);
        frmChannel *w = open();
        w->Command1->click();
        QCOMPARE(watcher.boxes, QStringList{kBox});
        QTRY_VERIFY(!form->channelWindow());
        // With an entry selected the send fails after the box; the window stays.
        w = open();
        pick(w->List1, u"Magic"_s);
        w->Command1->click();
        QCOMPARE(watcher.boxes, QStringList({kBox, kBox}));
        QTest::qWait(50);
        QCOMPARE(form->channelWindow(), w);
        QCOMPARE(form->statusText(), u"Not sent: no connection is open."_s);
    }

    void joinWhileConnecting() {
        FakeGateway gateway(u"127.0.0.23"_s);
        frmChannel *w = open();
        pick(w->List1, u"Magic"_s);
        BoxWatcher watcher(u"Cancel"_s);
        form->Winsock1->setRemoteHost(gateway.address());
        form->Winsock1->Connect();
        // Connect returns before the connection is made; nothing turns the event loop until
        // Join has run.
        QVERIFY(form->Winsock1->State() != Winsock::sckClosed &&
                form->Winsock1->State() != Winsock::sckConnected);
        w->Command1->click();
        QVERIFY(watcher.boxes.isEmpty());
        QVERIFY(form->statusText().startsWith(u"Not sent"));
        QVERIFY(gateway.waitForClient());
        QCOMPARE(form->channelWindow(), w);
    }

    void doubleClickOnlySelects() {
        FakeGateway gateway(u"127.0.0.22"_s);
        QVERIFY(connectTo(form.get(), gateway));
        frmChannel *w = open();
        pick(w->List1, u"Magic"_s, true);
        QTest::qWait(100);
        QCOMPARE(w->List1->selectedItems().at(0)->text(), u"Magic"_s);
        QVERIFY(gateway.received().isEmpty());
        QCOMPARE(form->channelWindow(), w);
    }
};

QTEST_MAIN(tst_frmChannel)
#include "tst_frmchannel.moc"
