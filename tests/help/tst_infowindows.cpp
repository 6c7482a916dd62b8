// The About and System Requirements windows, the About window's link, and the five notices.
#include "help/form2.h"
#include "help/frmsystem.h"
#include "help/hyperlink.h"
#include "help/notices.h"
#include "ui/main/form1.h"

#include <QAction>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

// Stands in for the user's browser.
class Browser : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void openUrl(const QUrl &url) { opened.append(url); }
};

class TestInfoWindows : public QObject {
    Q_OBJECT

private:
    Form1 *m_form = nullptr;

    QWidget *choose(const QString &menu) {
        m_form->findChild<QAction *>(menu)->trigger();
        if (menu == QLatin1String("mnuAbout"))
            return m_form->aboutWindow();
        return m_form->systemWindow();
    }
    // Everything the window shows, to compare one opening with the next.
    static QStringList contents(QWidget *window) {
        QStringList texts{window->windowTitle()};
        for (const QGroupBox *frame : window->findChildren<QGroupBox *>())
            texts << frame->title();
        for (const QLabel *label : window->findChildren<QLabel *>())
            texts << label->objectName() + u'=' + label->text();
        for (const QPushButton *button : window->findChildren<QPushButton *>())
            texts << button->text();
        return texts;
    }
    static QPushButton *closeButton(QWidget *window) {
        return window->findChild<QPushButton *>(QStringLiteral("Command1"));
    }

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
        QCOMPARE(window->windowTitle(), title);
        QCOMPARE(window->findChild<QGroupBox *>(QStringLiteral("Frame1"))->title(), title);
        QCOMPARE(window->focusWidget(), closeButton(window));
        QCOMPARE(closeButton(window)->text(), QStringLiteral("Close"));
        QCOMPARE(choose(menu), window.data());
        const QStringList shown = contents(window);

        QTest::mouseClick(closeButton(window), Qt::LeftButton);
        QTRY_VERIFY(!window);
        window = choose(menu);
        QCOMPARE(contents(window), shown);
        QCOMPARE(window->focusWidget(), closeButton(window));
    }

    void aboutContents() {
        auto *about = static_cast<Form2 *>(choose(QStringLiteral("mnuAbout")));
        QCOMPARE(about->size(), QSize(370, 161));
        QCOMPARE(about->palette().color(QPalette::Window), QColor(192, 192, 192));
        QVERIFY(!(about->windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(!about->Label1->text().isEmpty());
        QVERIFY(about->Label1->fontMetrics().horizontalAdvance(about->Label1->text()) <=
                about->Label1->width());
        QVERIFY(about->Label2->text().isEmpty());

        Hyperlink *link = about->csHyperlink1;
        QCOMPARE(link->parentWidget(), about->Frame1);
        QCOMPARE(link->caption(), QStringLiteral("ktx.example.org"));
        QCOMPARE(link->url(), QUrl(QStringLiteral("http://ktx.example.org")));
        QVERIFY(link->font().underline());
        QCOMPARE(link->font().pointSizeF(), 8.25);
        QCOMPARE(link->backColor(), QColor(192, 192, 192));
        QCOMPARE(link->alignment(), 2);
        QCOMPARE(himetricToTwips(2778), 1575);
        QCOMPARE(himetricToTwips(450), 255);
        QCOMPARE(link->geometry(), QRect(128, 96, 105, 17));
        QVERIFY(link->fontMetrics().horizontalAdvance(link->caption()) < link->width());
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        // Tab goes from "Close" to the link and back: nothing else takes the focus.
        QApplication::setActiveWindow(about);
        about->Command1->setFocus();
        QTest::keyClick(about->Command1, Qt::Key_Tab);
        QCOMPARE(about->focusWidget(), link);
        QTest::keyClick(link, Qt::Key_Tab);
        QCOMPARE(about->focusWidget(), about->Command1);
    }

    void linkOpensItsUrl() {
        Browser browser;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "openUrl");
        auto *about = static_cast<Form2 *>(choose(QStringLiteral("mnuAbout")));
        Hyperlink *link = about->csHyperlink1;
        const QUrl target(QStringLiteral("http://ktx.example.org"));

        QTest::mouseClick(link, Qt::LeftButton);
        QCOMPARE(browser.opened, QList<QUrl>{target});
        // Pressed on the link but released off it: no click.
        QTest::mousePress(link, Qt::LeftButton);
        QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));
        QCOMPARE(browser.opened.size(), 1);

        link->setFocus();
        QTest::keyClick(link, Qt::Key_Space);
        QTest::keyClick(link, Qt::Key_Return);
        QCOMPARE(browser.opened, QList<QUrl>(3, target));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    }

    void notices_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QStringList>("buttons");
        const QStringList ok{QStringLiteral("OK")};
        QTest::newRow("Contact Us")
            << "mnuContact"
            << "CONTACT THE KTX"
            << "You can contact the ktx at:\r\nhttp://ktx.example.org\r\nAnd by email: "
               "support@brackmoor.example.org"
            << int(QMessageBox::Warning) << ok;
        QTest::newRow("KTX") << "mnuKtx"
                             << "CONTACT THE KTX"
                             << "You can reach the KTX at: http://ktx.example.org"
                             << int(QMessageBox::Information) << ok;
        QTest::newRow("RWQN")
            << "mnuRWQN"
            << "CONTACT RWQN"
            << "RWQN can be reached at: http://www.rwqn.example.org or http://rwqn.example.net"
            << int(QMessageBox::Information) << ok;
        QTest::newRow("Ashwalkers")
            << "mnuAsh"
            << "CONTACT THE ASHWALKERS"
            << "The Ashwalkers can be reached at: http://www.ashwalkers.example.org"
            << int(QMessageBox::Information) << ok;
        QTest::newRow("General Help")
            << "mnuGen"
            << "General Help"
            << "To begin, you must first push 'connect'. Then push 'Log In' and type in your user "
               "name and password. Then once you do that, just use your normal chat commands."
            << int(QMessageBox::NoIcon)
            << QStringList{QStringLiteral("Cancel"), QStringLiteral("Try Again"),
                           QStringLiteral("Continue")};
    }
    void notices() {
        QFETCH(QString, menu);
        QFETCH(QString, title);
        QFETCH(QString, prompt);
        QFETCH(int, icon);
        QFETCH(QStringList, buttons);

        // The menu item waits inside the box until it is closed; look at it from a timer.
        QMessageBox *seen = nullptr;
        QStringList captions;
        Qt::WindowModality modality = Qt::NonModal;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || seen)
                return;
            seen = box;
            modality = box->windowModality();
            QCOMPARE(box->windowTitle(), title);
            QCOMPARE(box->text(), prompt);
            QCOMPARE(box->textFormat(), Qt::PlainText);
            QCOMPARE(int(box->icon()), icon);
            QList<QPushButton *> row = box->findChildren<QPushButton *>();
            std::sort(row.begin(), row.end(), [](QPushButton *a, QPushButton *b) {
                return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
            });
            for (QPushButton *button : row)
                captions << button->text().remove(u'&');
            QCOMPARE(box->defaultButton(), row.first());
            QTest::keyClick(box, Qt::Key_Escape);
        });
        poll.start(10);
        m_form->findChild<QAction *>(menu)->trigger();
        poll.stop();

        QVERIFY(seen);
        QCOMPARE(captions, buttons);
        QCOMPARE(modality, Qt::ApplicationModal);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void everyBoxButtonCloses() {
        const QStringList captions{QStringLiteral("Cancel"), QStringLiteral("Try Again"),
                                   QStringLiteral("Continue")};
        for (const QString &caption : captions) {
            const std::unique_ptr<QMessageBox> box(createNotice(Notice::GeneralHelp, nullptr));
            QTimer::singleShot(0, box.get(), [&] {
                for (QPushButton *button : box->findChildren<QPushButton *>()) {
                    if (button->text().remove(u'&') == caption)
                        button->click();
                }
            });
            box->exec();
            QVERIFY2(!box->isVisible(), qPrintable(caption));
        }
    }
};

QTEST_MAIN(TestInfoWindows)
#include "tst_infowindows.moc"
