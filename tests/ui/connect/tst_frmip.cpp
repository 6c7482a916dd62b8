#include "connecttest.h"
#include "ui/connect/frmip.h"

#include <QLineEdit>
#include <QPushButton>

#include <memory>

using namespace Qt::StringLiterals;

// Gateway of these tests: 127.0.0.24.
class tst_frmIP : public QObject {
    Q_OBJECT

    std::unique_ptr<Form1> form;
    frmIP *open() {
        choose(form.get(), "mnuIP");
        return form->ipWindow();
    }

private Q_SLOTS:
    void init() { form = std::make_unique<Form1>(); }
    void cleanup() {
        delete form->ipWindow();
        form.reset();
    }

    void windowAsBuilt() {
        frmIP *w = open();
        QCOMPARE(w->windowTitle(), u"Your IP"_s);
        QCOMPARE(w->size(), QSize(140, 60));
        QCOMPARE(w->windowType(), Qt::Tool);
        QCOMPARE(w->Text1->palette().color(QPalette::Text), QColor(255, 255, 0));
        QVERIFY(QTest::qWaitForWindowActive(w));
        QStringList order;
        for (int i = 0; i < 4; ++i) {
            order.append(QApplication::focusWidget()->objectName());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order.join(u' '), u"Text1 Command1 Command2 Text1"_s);
    }

    void tellMeWithoutConnection() {
        for (int opening = 0; opening < 2; ++opening) {
            frmIP *w = open();
            QCOMPARE(w->Text1->text(), u"255.255.255.255"_s);
            typeText(w->Text1, u"typed"_s);
            w->Command2->click();
            QTest::mouseClick(w->Command2, Qt::LeftButton);
            QCOMPARE(w->Text1->text(), Winsock::firstLocalIPv4());
            QCOMPARE(form->Winsock1->State(), int(Winsock::sckClosed));
            QTest::mouseClick(w->Command1, Qt::LeftButton);
            QTRY_VERIFY(!form->ipWindow());
        }
    }

    void tellMeWhileConnected() {
        FakeGateway gateway(u"127.0.0.24"_s);
        QVERIFY(connectTo(form.get(), gateway));
        frmIP *w = open();
        w->Command2->click();
        // The local end of the connection, as the gateway sees it.
        QCOMPARE(w->Text1->text(), gateway.client()->peerAddress().toString());
        QVERIFY(!gateway.waitForClientGone(100));
    }

    void tellMeWithoutMainWindow() {
        frmIP *w = open();
        form.reset();
        w->Command2->click();
        QCOMPARE(w->Text1->text(), Winsock::firstLocalIPv4());
        delete w;
        form = std::make_unique<Form1>();
    }
};

QTEST_MAIN(tst_frmIP)
#include "tst_frmip.moc"
