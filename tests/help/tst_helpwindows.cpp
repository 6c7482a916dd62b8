// The help windows: the two look-ups ("How do I...." and "Battle.net Chat Commands"), About
// and System Requirements, the About window's link, and the five notices.
#include "ui/main/form1.h"
#include "ui/singlewindow.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

class TestHelpWindows : public QObject {
    Q_OBJECT

    Form1 *m_form = nullptr;
    QPointer<QWidget> m_window;
    QList<QUrl> m_opened;

    // Opens the menu item's window, or brings back the one already open.
    QWidget *choose(const QString &menu) {
        const QWidgetList before = QApplication::topLevelWidgets();
        m_form->findChild<QAction *>(menu)->trigger();
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && window != m_form &&
                (!before.contains(window) || window == m_window))
                m_window = window;
        }
        return m_window;
    }
    QComboBox *list() const { return m_window->findChild<QComboBox *>(QStringLiteral("Combo1")); }
    QString shown() const {
        return m_window->findChild<QLabel *>(QStringLiteral("Label1"))->text();
    }
    QStringList items() const {
        QStringList texts;
        for (int i = 0; i < list()->count(); ++i)
            texts.append(list()->itemText(i));
        return texts;
    }
    // Puts `text` into the edit field the way the user would, then presses "Answer!".
    void answer(const QString &text, bool typed, Qt::Key after = Qt::Key_unknown) {
        if (typed) {
            list()->lineEdit()->clear();
            QTest::keyClicks(list()->lineEdit(), text);
        } else {
            list()->setCurrentIndex(list()->findText(text, Qt::MatchExactly));
        }
        if (after != Qt::Key_unknown)
            QTest::keyClick(list()->lineEdit(), after);
        QCOMPARE(list()->currentText(), text);
        QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("Command1")),
                          Qt::LeftButton);
    }
    static void lookups() {
        QTest::addColumn<QString>("menu");
        QTest::newRow("frmHow") << "mnuHow";
        QTest::newRow("frmChatCom") << "mnuChat";
    }

public Q_SLOTS:
    // Stands in for the user's browser.
    void openUrl(const QUrl &url) { m_opened.append(url); }

private Q_SLOTS:
    // As the program itself starts: it ends with its last window, tool windows included.
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { m_form = new Form1; }
    void cleanup() { destroyRemainingWindows(); }

    // A second choice of the menu item brings back the same window as it was; closed, the
    // window is gone and opens fresh.
    void openedFreshAndOnce_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<int>("entries");
        QTest::newRow("frmHow") << "mnuHow" << 6;
        QTest::newRow("frmChatCom") << "mnuChat" << 18;
        QTest::newRow("Form2") << "mnuAbout" << -1;
        QTest::newRow("frmSystem") << "mnuSystem" << -1;
    }
    void openedFreshAndOnce() {
        QFETCH(QString, menu);
        QFETCH(int, entries);
        QPointer<QWidget> window = choose(menu);
        QVERIFY(window);
        QString prompt;
        if (entries >= 0) {
            QCOMPARE(list()->count(), entries);
            QCOMPARE(window->focusWidget(), list());
            prompt = list()->currentText();
            answer(prompt, true); // the prompt is no entry
            QVERIFY(shown().isEmpty());
            answer(items().at(1), false);
            QVERIFY(!shown().isEmpty());
        }
        const QString before = shown();
        QCOMPARE(choose(menu), window.data());
        QCOMPARE(shown(), before);
        QVERIFY(!(window->windowFlags() & Qt::WindowMinMaxButtonsHint));

        window->close();
        QTRY_VERIFY(!window);
        QVERIFY(choose(menu));
        if (entries >= 0) {
            QCOMPARE(list()->currentText(), prompt);
            QVERIFY(shown().isEmpty());
        } else {
            QCOMPARE(shown(), before);
        }
    }

    // Only the exact key finds its text; `expected` is how the text begins.
    void lookup_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("picked") << "mnuHow" << false << "How do I log in?"
                                << "After you push";
        QTest::newRow("typed") << "mnuHow" << true << "How do I chat?"
                               << "You have to connect";
        QTest::newRow("lower case") << "mnuHow" << true << "how do i connect?" << QString();
        QTest::newRow("/whoami typed") << "mnuChat" << true << "/whoami"
                                       << "This will tell you";
        QTest::newRow("capitals") << "mnuChat" << true << "/WHOAMI" << QString();
        QTest::newRow("/whois alone") << "mnuChat" << true << "/whois" << QString();
        QTest::newRow("trailing blank") << "mnuChat" << true << "/kick <USER> " << QString();
        QTest::newRow("/kick typed") << "mnuChat" << true << "/kick <USER>"
                                     << "This will kick";
    }
    void lookup() {
        QFETCH(QString, menu);
        QFETCH(bool, typed);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        choose(menu);
        answer(text, typed);
        QVERIFY2(expected.isEmpty() ? shown().isEmpty() : shown().startsWith(expected),
                 qPrintable(shown()));
    }

    // Neither a miss nor Enter in the edit field changes the answer box or the list, and
    // every answer fits its box.
    void missesAndEnterChangeNothing_data() { lookups(); }
    void missesAndEnterChangeNothing() {
        QFETCH(QString, menu);
        choose(menu);
        const QStringList keys = items();
        auto *box = m_window->findChild<QLabel *>(QStringLiteral("Label1"));
        for (const QString &key : keys) {
            answer(key, false);
            QVERIFY2(box->heightForWidth(box->width()) <= box->height(), qPrintable(key));
        }
        const QString last = shown();
        answer(QStringLiteral("no such entry"), true);
        QCOMPARE(shown(), last);
        // A near miss stays as typed: neither Enter nor the focus moving to the button may
        // swap in the listed entry.
        answer(keys.first().toLower(), true, Qt::Key_Return);
        QCOMPARE(shown(), last);
        answer(QStringLiteral("something new"), true, Qt::Key_Enter);
        QCOMPARE(items(), keys);
        list()->lineEdit()->setText(keys.first());
        QTest::keyClick(list()->lineEdit(), Qt::Key_Return);
        QCOMPARE(shown(), last);
    }

    // The link follows a click, Space and Enter, and not a press released off it.
    void aboutLink() {
        QWidget *about = choose(QStringLiteral("mnuAbout"));
        auto *link = about->findChild<QWidget *>(QStringLiteral("csHyperlink1"));
        auto *close = about->findChild<QWidget *>(QStringLiteral("Command1"));
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
        QTest::mouseClick(link, Qt::LeftButton);
        QTest::mousePress(link, Qt::LeftButton);
        QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));
        QCOMPARE(m_opened.size(), 1);
        QApplication::setActiveWindow(about);
        close->setFocus();
        QTest::keyClick(close, Qt::Key_Tab);
        QCOMPARE(about->focusWidget(), link);
        QTest::keyClick(link, Qt::Key_Space);
        QTest::keyClick(link, Qt::Key_Return);
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(m_opened, QList<QUrl>(3, QUrl(QStringLiteral("http://ktx.example.org"))));
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

    // Closing the main window while a look-up window is open keeps the program running until
    // that window is closed too; with nothing else open, the program ends with the main window.
    void endsWithLastWindow_data() {
        lookups();
        QTest::newRow("nothing else open") << QString();
    }
    void endsWithLastWindow() {
        QFETCH(QString, menu);
        m_form->setAttribute(Qt::WA_DeleteOnClose); // as the program sets up its main window
        endProgramWithLastWindow(m_form);
        m_form->show();
        const QPointer<Form1> form = m_form;
        QPointer<QWidget> helper = menu.isEmpty() ? nullptr : choose(menu);
        QObject steps;
        bool helperClosed = false, quitEarly = false, timedOut = false;
        connect(qApp, &QCoreApplication::aboutToQuit, &steps,
                [&] { quitEarly = helper && !helperClosed; });
        QTimer::singleShot(0, m_form, &QWidget::close);
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
        QVERIFY(!quitEarly);
        QVERIFY(!form);
    }
};

QTEST_MAIN(TestHelpWindows)
#include "tst_helpwindows.moc"
