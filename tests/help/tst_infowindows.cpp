// The About and System Requirements windows, the About window's link, and the five notices.
#include "help/form2.h"
#include "help/frmsystem.h"
#include "help/hyperlink.h"
#include "ui/main/form1.h"

#include <QAction>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

class TestInfoWindows : public QObject {
    Q_OBJECT

    Form1 *m_form = nullptr;
    QList<QUrl> m_opened;

    QWidget *choose(const QString &menu) {
        m_form->findChild<QAction *>(menu)->trigger();
        return menu == QLatin1String("mnuAbout") ? static_cast<QWidget *>(m_form->aboutWindow())
                                                 : m_form->systemWindow();
    }
    // Everything the window shows, to compare one opening with the next.
    static QStringList contents(QWidget *window) {
        QStringList texts{window->windowTitle()};
        for (const QGroupBox *frame : window->findChildren<QGroupBox *>())
            texts << frame->title();
        for (const QLabel *label : window->findChildren<QLabel *>())
            texts << label->objectName() + u'=' + label->text();
        return texts;
    }

public Q_SLOTS:
    // Stands in for the user's browser.
    void openUrl(const QUrl &url) { m_opened.append(url); }

private Q_SLOTS:
    void init() { m_form = new Form1; }
    void cleanup() { destroyRemainingWindows(); }

    void closeDestroysAndReopens_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("title");
        QTest::newRow("About") << "mnuAbout"
                               << "About Brackmoor Chat v3.05";
        QTest::newRow("System Requirements") << "mnuSystem"
                                             << "System Requirements";
    }
    void closeDestroysAndReopens() {
        QFETCH(QString, menu);
        QFETCH(QString, title);
        QPointer<QWidget> window = choose(menu);
        QCOMPARE(window->findChild<QGroupBox *>()->title(), title);
        QCOMPARE(choose(menu), window.data());
        const QStringList shown = contents(window);
        QVERIFY(!(window->windowFlags() & Qt::WindowMinMaxButtonsHint));

        for (int opening = 0; opening < 2; ++opening) {
            auto *close = qobject_cast<QPushButton *>(window->focusWidget());
            QVERIFY(close);
            QCOMPARE(close->text(), QStringLiteral("Close"));
            QTest::mouseClick(close, Qt::LeftButton);
            QTRY_VERIFY(!window);
            window = choose(menu);
            QCOMPARE(contents(window), shown);
        }
    }

    void aboutLink() {
        auto *about = static_cast<Form2 *>(choose(QStringLiteral("mnuAbout")));
        QVERIFY(about->Label2->text().isEmpty());
        const QFontMetrics notice = about->Label1->fontMetrics();
        QVERIFY(notice.horizontalAdvance(about->Label1->text()) <= about->Label1->width());

        Hyperlink *link = about->csHyperlink1;
        QCOMPARE(link->caption(), QStringLiteral("ktx.example.org"));
        QCOMPARE(link->url(), QUrl(QStringLiteral("http://ktx.example.org")));
        QVERIFY(link->font().underline());
        QVERIFY(link->fontMetrics().horizontalAdvance(link->caption()) < link->width());

        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
        QTest::mouseClick(link, Qt::LeftButton);
        QTest::mousePress(link, Qt::LeftButton); // released off the link: no click
        QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));
        QCOMPARE(m_opened.size(), 1);
        // Tab goes from "Close" to the link, where Space and Enter follow it too.
        QApplication::setActiveWindow(about);
        about->Command1->setFocus();
        QTest::keyClick(about->Command1, Qt::Key_Tab);
        QCOMPARE(about->focusWidget(), link);
        QTest::keyClick(link, Qt::Key_Space);
        QTest::keyClick(link, Qt::Key_Return);
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(m_opened, QList<QUrl>(3, link->url()));
    }

    // Each notice is a modal plain-text box whose first button is the default and that
    // Escape closes.
    void notices_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("buttons");
        QTest::newRow("Contact Us") << "mnuContact"
                                    << "CONTACT THE KTX"
                                    << "OK";
        QTest::newRow("KTX") << "mnuKtx"
                             << "CONTACT THE KTX"
                             << "OK";
        QTest::newRow("RWQN") << "mnuRWQN"
                              << "CONTACT RWQN"
                              << "OK";
        QTest::newRow("Ashwalkers") << "mnuAsh"
                                    << "CONTACT THE ASHWALKERS"
                                    << "OK";
        QTest::newRow("General Help") << "mnuGen"
                                      << "General Help"
                                      << "Cancel|Try Again|Continue";
    }
    void notices() {
        QFETCH(QString, menu);
        QFETCH(QString, title);
        QFETCH(QString, buttons);
        // The menu item waits inside the box until it is closed; look at it from a timer.
        QPointer<QMessageBox> box;
        QStringList captions;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (box || !(box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())))
                return;
            QCOMPARE(box->windowTitle(), title);
            QVERIFY(!box->text().isEmpty());
            QCOMPARE(box->textFormat(), Qt::PlainText);
            QCOMPARE(box->windowModality(), Qt::ApplicationModal);
            QList<QPushButton *> row = box->findChildren<QPushButton *>();
            std::sort(row.begin(), row.end(),
                      [](QPushButton *a, QPushButton *b) { return a->x() < b->x(); });
            for (QPushButton *button : row)
                captions << button->text().remove(u'&');
            QCOMPARE(box->defaultButton(), row.first());
            QTest::keyClick(box, Qt::Key_Escape);
        });
        poll.start(10);
        m_form->findChild<QAction *>(menu)->trigger();
        QCOMPARE(captions.join(u'|'), buttons);
        QVERIFY(!box); // closed and gone
    }
};

QTEST_MAIN(TestInfoWindows)
#include "tst_infowindows.moc"
