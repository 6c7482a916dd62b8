// Closing the main window while a help tool window is open must not end the program: the
// program ends only once that window is closed too.
#include "help/frmchatcom.h"
#include "help/frmhow.h"
#include "ui/main/form1.h"

#include <QAction>
#include <QApplication>
#include <QtTest>

class TestKeepRunning : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        // As the program itself starts.
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void endsWithLastWindow_data() {
        QTest::addColumn<QString>("menu");
        QTest::newRow("frmHow open") << "mnuHow";
        QTest::newRow("frmChatCom open") << "mnuChat";
        QTest::newRow("nothing else open") << QString();
    }
    void endsWithLastWindow() {
        QFETCH(QString, menu);
        auto *form = new Form1;
        form->setAttribute(Qt::WA_DeleteOnClose);
        endProgramWithLastWindow(form);
        form->show();
        QPointer<QWidget> helper;
        if (!menu.isEmpty()) {
            form->findChild<QAction *>(menu)->trigger();
            helper = menu == QLatin1String("mnuHow") ? static_cast<QWidget *>(form->howWindow())
                                                     : form->chatComWindow();
            QVERIFY(helper);
        }

        QObject steps;
        bool helperClosed = false;
        bool quitWhileHelperOpen = false;
        bool quit = false;
        bool timedOut = false;
        connect(qApp, &QCoreApplication::aboutToQuit, &steps, [&] {
            quit = true;
            quitWhileHelperOpen = helper && !helperClosed;
        });
        QTimer::singleShot(0, form, &QWidget::close);
        // Long after the main window is gone, the helper is closed by the user.
        QTimer::singleShot(300, &steps, [&] {
            helperClosed = true;
            if (helper)
                helper->close();
        });
        QTimer::singleShot(5000, &steps, [&] {
            timedOut = true;
            QCoreApplication::quit();
        });
        QCoreApplication::exec();

        QVERIFY(!timedOut);
        QVERIFY(quit);
        QVERIFY(!quitWhileHelperOpen);
        QVERIFY(!Form1::instance());
        if (!menu.isEmpty())
            QVERIFY(helperClosed);
        destroyRemainingWindows();
    }
};

QTEST_MAIN(TestKeepRunning)
#include "tst_keeprunning.moc"
