#include "connecttest.h"
#include "ui/connect/frmlogin.h"
#include "ui/look.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include <memory>

using namespace Qt::StringLiterals;

// Gateways of these tests: 127.0.0.20 and 127.0.0.21.
class tst_frmLogin : public QObject {
    Q_OBJECT

    std::unique_ptr<Form1> form;
    frmLogin *open() {
        choose(form.get(), "mnuLogIn");
        return form->loginWindow();
    }
    static QStringList entries(const QComboBox *box) {
        QStringList list;
        for (int i = 0; i < box->count(); ++i)
            list.append(box->itemText(i));
        return list;
    }
    const QStringList servers = {u"63.240.202.120"_s,   u"63.240.202.128"_s, u"63.240.202.139"_s,
                                 u"63.241.83.8"_s,      u"63.241.83.110"_s,  u"213.248.106.204"_s,
                                 u"211.233.0.54"_s,     u"211.233.0.60"_s,   u"battle.net"_s,
                                 u"useast.battle.net"_s};

private Q_SLOTS:
    void init() {
        form = std::make_unique<Form1>();
        form->show();
    }
    void cleanup() {
        delete form->loginWindow();
        form.reset();
    }

    void windowAsBuilt() {
        frmLogin *w = open();
        QCOMPARE(w->windowTitle(), u"Log In"_s);
        QCOMPARE(w->size(), QSize(242, 114));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QCOMPARE(w->windowType(), Qt::Tool);
        QVERIFY(!w->parentWidget());
        QVERIFY(w->windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(
            !(w->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(w->Combo1->geometry(), twipsRect(1080, 840, 2415, 315));
        QCOMPARE(w->Text2->palette().color(QPalette::Text), QColor(255, 255, 0));
        QCOMPARE(w->Combo1->palette().color(QPalette::Base), QColor(0, 0, 0));
        QCOMPARE(w->Command1->font(), verdanaFont());
        QCOMPARE(w->cmdConnect->font(), QApplication::font());
        QVERIFY(w->Command1->isDefault());
        QVERIFY(QTest::qWaitForWindowActive(w));
        QStringList order;
        for (int i = 0; i < 6; ++i) {
            order.append(QApplication::focusWidget()->objectName());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(order.join(u' '), u"Text1 Text2 Command1 Command2 cmdConnect Combo1"_s);
        QCOMPARE(QApplication::focusWidget(), w->Text1);
        QTest::keyClick(w->Text1, Qt::Key_Escape);
        QVERIFY(w->isVisible()); // no cancel button, so Esc does not close it
    }

    void serverListStaysTen() {
        frmLogin *w = open();
        QCOMPARE(entries(w->Combo1), servers);
        QCOMPARE(w->Combo1->currentIndex(), -1);
        QCOMPARE(w->Combo1->currentText(), u"Select your Server..."_s);
        // Enter in the server box presses "Log On!" (which fails here) and adds nothing.
        QVERIFY(QTest::qWaitForWindowActive(w));
        QTest::mouseClick(w->Combo1->lineEdit(), Qt::LeftButton);
        w->Combo1->lineEdit()->selectAll();
        QTest::keyClicks(w->Combo1, "63.240.202.12");
        QTest::keyClick(w->Combo1, Qt::Key_Return);
        QCOMPARE(w->Combo1->currentText(), u"63.240.202.12"_s); // not completed
        QCOMPARE(entries(w->Combo1), servers);
        QVERIFY(form->statusText().startsWith(u"Not sent"));
        w->Command2->click();
        QTRY_VERIFY(!form->loginWindow());
        w = open();
        QCOMPARE(entries(w->Combo1), servers);
        // Opening again while open only brings the window to the front.
        w->Text1->setText(u"kept"_s);
        form->activateWindow();
        QTRY_VERIFY(form->isActiveWindow());
        QCOMPARE(open(), w);
        QTRY_VERIFY(w->isActiveWindow());
        QCOMPARE(w->Text1->text(), u"kept"_s);
        QCOMPARE(entries(w->Combo1), servers);
    }

    void connectUsesServerText() {
        FakeGateway gateway(u"127.0.0.21"_s);
        frmLogin *w = open();
        w->Combo1->lineEdit()->selectAll();
        QTest::keyClicks(w->Combo1, "127.0.0.21");
        QTest::mouseClick(w->cmdConnect, Qt::LeftButton);
        QVERIFY(gateway.waitForClient());
        QCOMPARE(form->Winsock1->Protocol(), 0);
        QCOMPARE(form->Winsock1->RemotePort(), 6112);
        QCOMPARE(form->loginWindow(), w);
        // Connected, a further Connect is refused after taking the host, so no other
        // address is ever tried: the prompt and a picked entry are taken as they stand.
        w->Combo1->setEditText(u"Select your Server..."_s);
        w->cmdConnect->click();
        QCOMPARE(form->Winsock1->RemoteHost(), u"Select your Server..."_s);
        w->Combo1->setEditText(u" 127.0.0.21 "_s);
        w->cmdConnect->click();
        QCOMPARE(form->Winsock1->RemoteHost(), u" 127.0.0.21 "_s);
        w->Combo1->showPopup();
        QAbstractItemView *view = w->Combo1->view();
        QTRY_VERIFY(view->isVisible());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(view->model()->index(2, 0)).center());
        QTRY_VERIFY(!view->isVisible());
        w->cmdConnect->click();
        QCOMPARE(form->Winsock1->RemoteHost(), u"63.240.202.139"_s);
        QCOMPARE(form->Winsock1->State(), int(Winsock::sckConnected));
        QVERIFY(form->statusText().contains(u"Disconnect"));
    }

    void logonRecord_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("abc") << u"abc"_s << QString()
                             << "\x03\x04"
                                "abc\r\n\r\n"_ba;
        QTest::newRow("empty") << QString() << QString() << "\x03\x04\r\n\r\n"_ba;
        QTest::newRow("blanks") << u" a b "_s << u" p "_s << "\x03\x04 a b \r\n p \r\n"_ba;
        QTest::newRow("utf8") << u"J\u00f6rg"_s << u"\u00e9"_s
                              << "\x03\x04J\xc3\xb6rg\r\n\xc3\xa9\r\n"_ba;
    }
    void logonRecord() {
        QFETCH(QString, name);
        QFETCH(QString, password);
        QFETCH(QByteArray, bytes);
        FakeGateway gateway(u"127.0.0.20"_s);
        QVERIFY(connectTo(form.get(), gateway));
        frmLogin *w = open();
        typeText(w->Text1, name);
        typeText(w->Text2, password);
        QCOMPARE(w->Text2->displayText(), QString(password.size(), u'*'));
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QVERIFY(gateway.waitForBytes(bytes.size()));
        QTest::qWait(50);
        QCOMPARE(gateway.received(), bytes);
        QTRY_VERIFY(!form->loginWindow());
    }

    void enterPressesLogOn_data() {
        QTest::addColumn<QString>("focus");
        QTest::newRow("name") << u"Text1"_s;
        QTest::newRow("password") << u"Text2"_s;
        QTest::newRow("server") << u"Combo1"_s;
    }
    void enterPressesLogOn() {
        QFETCH(QString, focus);
        FakeGateway gateway(u"127.0.0.20"_s);
        QVERIFY(connectTo(form.get(), gateway));
        frmLogin *w = open();
        w->Text2->setText(u"pw"_s);
        QTest::keyClick(w->findChild<QWidget *>(focus), Qt::Key_Return);
        QVERIFY(gateway.waitForBytes(8));
        QCOMPARE(gateway.received(), "\x03\x04\r\npw\r\n"_ba);
        QTRY_VERIFY(!form->loginWindow());
    }

    void failedLogOnKeepsWindow() {
        frmLogin *w = open();
        typeText(w->Text1, u"abc"_s);
        typeText(w->Text2, u"pw"_s);
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        QTest::qWait(50);
        QCOMPARE(form->loginWindow(), w);
        QCOMPARE(w->Text1->text() + w->Text2->text(), u"abcpw"_s);
        QCOMPARE(form->statusText(), u"Not sent: no connection is open."_s);
    }

    void passwordStaysInItsBox() {
        frmLogin *w = open();
        typeText(w->Text2, u"secret"_s);
        QCOMPARE(w->Text2->displayText(), u"******"_s);
        QGuiApplication::clipboard()->setText(u"before"_s);
        w->Text2->selectAll();
        QTest::keyClick(w->Text2, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(w->Text2, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), u"before"_s);
        QCOMPARE(w->Text2->text(), u"secret"_s);
        QVERIFY(!w->Text2->dragEnabled());
        const std::unique_ptr<QMenu> menu(w->Text2->createStandardContextMenu());
        for (const QAction *action : menu->actions()) {
            if (action->text().contains(u"Cu&t") || action->text().contains(u"&Copy"))
                QVERIFY(!action->isEnabled());
        }
    }

    void cancelKeepsConnection() {
        FakeGateway gateway(u"127.0.0.20"_s);
        frmLogin *w = open();
        w->Combo1->setEditText(gateway.address());
        w->cmdConnect->click();
        QVERIFY(gateway.waitForClient());
        QTest::mouseClick(w->Command2, Qt::LeftButton);
        QTRY_VERIFY(!form->loginWindow());
        QVERIFY(!gateway.waitForClientGone(200));
        w = open();
        typeText(w->Text1, u"me"_s);
        w->close(); // the close box is Cancel too
        QTRY_VERIFY(!form->loginWindow());
        w = open();
        typeText(w->Text1, u"me"_s);
        w->Command1->click();
        QVERIFY(gateway.waitForBytes(8));
        QCOMPARE(gateway.received(), "\x03\x04me\r\n\r\n"_ba);
    }

    void withoutMainWindow() {
        frmLogin *w = open();
        form.reset();
        BoxWatcher watcher(u"OK"_s);
        w->Command1->click();
        w->cmdConnect->click();
        QCOMPARE(watcher.boxes.size(), 2);
        QVERIFY(watcher.boxes.at(0).contains(u"Not sent: the main window is closed"));
        QVERIFY(watcher.boxes.at(1).contains(u"Not connected: the main window is closed"));
        QVERIFY(w->isVisible());
        delete w;
        form = std::make_unique<Form1>();
    }
};

QTEST_MAIN(tst_frmLogin)
#include "tst_frmlogin.moc"
