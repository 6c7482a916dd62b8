// The two look-up windows: "How do I...." (frmHow) and "Battle.net Chat Commands" (frmChatCom).
#include "help/frmchatcom.h"
#include "help/frmhow.h"
#include "ui/main/form1.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestLookupWindows : public QObject {
    Q_OBJECT

    Form1 *m_form = nullptr;
    QWidget *m_window = nullptr;

    QWidget *choose(const QString &menu) {
        m_form->findChild<QAction *>(menu)->trigger();
        m_window = menu == QLatin1String("mnuHow") ? static_cast<QWidget *>(m_form->howWindow())
                                                   : m_form->chatComWindow();
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
    static void menus() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("frmHow") << "mnuHow" << 6 << "Select your Question...";
        QTest::newRow("frmChatCom") << "mnuChat" << 18 << "Select the Command";
    }

private Q_SLOTS:
    // As the program itself starts: it ends with its last window, tool windows included.
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { m_form = new Form1; }
    void cleanup() { destroyRemainingWindows(); }

    void openedFreshAndOnce_data() { menus(); }
    void openedFreshAndOnce() {
        QFETCH(QString, menu);
        QFETCH(int, count);
        QFETCH(QString, prompt);
        QPointer<QWidget> window = choose(menu);
        const QStringList keys = items();
        QCOMPARE(keys.size(), count);
        QCOMPARE(list()->currentText(), prompt);
        QCOMPARE(window->focusWidget(), list());
        answer(prompt, true); // the prompt is no entry
        QVERIFY(shown().isEmpty());
        answer(keys.at(1), false);
        const QString answer2 = shown();
        QVERIFY(!answer2.isEmpty());

        QCOMPARE(choose(menu), window.data());
        QCOMPARE(items(), keys);
        QCOMPARE(shown(), answer2);

        window->close();
        QTRY_VERIFY(!window);
        choose(menu);
        QCOMPARE(items(), keys);
        QCOMPARE(list()->currentText(), prompt);
        QVERIFY(shown().isEmpty());
    }

    void lookup_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString kick = QStringLiteral(
            "This will kick a person from the channel if you have ops. EX: /kick SCAMP");
        QTest::newRow("picked") << "mnuHow" << false << "How do I log in?"
                                << "After you push connect, enter your user information, and "
                                   "server. Push 'LOGIN'. Don't worry if it asks you for a "
                                   "password, just wait till you see it log in...";
        QTest::newRow("typed") << "mnuHow" << true << "I have a question, Where can I send it?"
                               << "You can send all questions, comments, bug reports, or "
                                  "whatever to: support@brackmoor.example.org.";
        QTest::newRow("lower case") << "mnuHow" << true << "how do i connect?" << QString();
        QTest::newRow("/dnd picked") << "mnuChat" << false << "/dnd <TEXT>"
                                     << "This will do the same as away... Kinda dumb";
        QTest::newRow("/whoami typed") << "mnuChat" << true << "/whoami"
                                       << "This will tell you your battle.net account "
                                          "information, including your current location.";
        QTest::newRow("capitals") << "mnuChat" << true << "/WHOAMI" << QString();
        QTest::newRow("/whois alone") << "mnuChat" << true << "/whois" << QString();
        QTest::newRow("trailing blank") << "mnuChat" << true << "/kick <USER> " << QString();
        QTest::newRow("/kick typed") << "mnuChat" << true << "/kick <USER>" << kick;
        QTest::newRow("angle brackets") << "mnuChat" << false << "/me <TEXT>"
                                        << "This will display yellow text, EX: if you typed '/me "
                                           "IS GOD' It would look like this: <NAME: IS GOD>";
    }
    void lookup() {
        QFETCH(QString, menu);
        QFETCH(bool, typed);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        choose(menu);
        answer(text, typed);
        QCOMPARE(shown(), expected);
    }

    // Neither a miss nor Enter in the edit field changes the answer box or the list.
    void missesAndEnterChangeNothing_data() { menus(); }
    void missesAndEnterChangeNothing() {
        QFETCH(QString, menu);
        choose(menu);
        const QStringList keys = items();
        answer(keys.at(1), false);
        const QString answer2 = shown();
        answer(QStringLiteral("no such entry"), true);
        QCOMPARE(shown(), answer2);
        // A near miss stays as typed: neither Enter nor the focus moving to the button may
        // swap in the listed entry.
        answer(keys.first().toLower(), true, Qt::Key_Return);
        QCOMPARE(shown(), answer2);
        answer(QStringLiteral("something new"), true, Qt::Key_Enter);
        QCOMPARE(items(), keys);
        list()->lineEdit()->setText(keys.first());
        QTest::keyClick(list()->lineEdit(), Qt::Key_Return);
        QCOMPARE(shown(), answer2);
    }

    // Closing the main window while a look-up window is open keeps the program running until
    // that window is closed too; with nothing else open, the program ends with the main window.
    void endsWithLastWindow_data() {
        menus();
        QTest::newRow("nothing else open") << QString() << 0 << QString();
    }
    void endsWithLastWindow() {
        QFETCH(QString, menu);
        m_form->setAttribute(Qt::WA_DeleteOnClose); // as the program sets up its main window
        endProgramWithLastWindow(m_form);
        m_form->show();
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
        QVERIFY(!Form1::instance());
    }
};

QTEST_MAIN(TestLookupWindows)
#include "tst_lookupwindows.moc"
