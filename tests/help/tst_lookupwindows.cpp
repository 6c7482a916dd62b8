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

namespace {

const QStringList kQuestions =
    QStringLiteral("How do I connect?|How do I log in?|How do I chat?|What's my Username and "
                   "Pass?|What are the chat commands?|I have a question, Where can I send it?")
        .split(u'|');
const QStringList kCommands =
    QStringLiteral("/whois <NAME>|/whoami|/whisper <NAME>|/squelch <NAME>|/unsquelch <NAME>|"
                   "/away <TEXT>|/dnd <TEXT>|/who <CHANNEL>|/users|/time|/join <CHANNEL>|"
                   "/me <TEXT>|/rejoin|/designate <USER>|/resign|/kick <USER>|/ban <USER>|"
                   "/unban <USER>")
        .split(u'|');

} // namespace

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
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("frmHow") << "mnuHow" << kQuestions << "Select your Question...";
        QTest::newRow("frmChatCom") << "mnuChat" << kCommands << "Select the Command";
    }

private Q_SLOTS:
    // As the program itself starts: it ends with its last window, tool windows included.
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { m_form = new Form1; }
    void cleanup() { destroyRemainingWindows(); }

    void openedFreshAndOnce_data() { menus(); }
    void openedFreshAndOnce() {
        QFETCH(QString, menu);
        QFETCH(QStringList, keys);
        QFETCH(QString, prompt);
        QPointer<QWidget> window = choose(menu);
        QCOMPARE(items(), keys);
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
        QTest::newRow("picked") << "mnuHow" << false << kQuestions[4]
                                << "Chat commands are what you can use to enhance your battle.net "
                                   "experience. You can see a list of them under our help file, "
                                   "or goto: http://www.battle.net for the official list...";
        QTest::newRow("typed") << "mnuHow" << true << kQuestions[5]
                               << "You can send all questions, comments, bug reports, or "
                                  "whatever to: support@brackmoor.example.org.";
        QTest::newRow("lower case") << "mnuHow" << true << "how do i connect?" << QString();
        QTest::newRow("trailing blank") << "mnuHow" << true << "How do I connect? " << QString();
        QTest::newRow("/dnd picked") << "mnuChat" << false << "/dnd <TEXT>"
                                     << "This will do the same as away... Kinda dumb";
        QTest::newRow("/whoami typed") << "mnuChat" << true << "/whoami"
                                       << "This will tell you your battle.net account "
                                          "information, including your current location.";
        QTest::newRow("capitals") << "mnuChat" << true << "/WHOAMI" << QString();
        QTest::newRow("/whois alone") << "mnuChat" << true << "/whois" << QString();
        QTest::newRow("/kick alone") << "mnuChat" << true << "/kick" << QString();
        QTest::newRow("start of four") << "mnuChat" << true << "/wh" << QString();
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
        QFETCH(QStringList, keys);
        choose(menu);
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

    void everyAnswerShownWhole_data() { menus(); }
    void everyAnswerShownWhole() {
        QFETCH(QString, menu);
        QFETCH(QStringList, keys);
        choose(menu);
        auto *box = m_window->findChild<QLabel *>(QStringLiteral("Label1"));
        QCOMPARE(box->size(), QSize(305, 89));
        QCOMPARE(box->textFormat(), Qt::PlainText);
        for (const QString &key : keys) {
            answer(key, false);
            QVERIFY2(box->heightForWidth(box->width()) <= box->height(), qPrintable(key));
        }
    }

    void toolWindows() {
        m_form->move(300, 250); // far from the middle of the screen
        m_form->show();
        for (const QString &menu : {QStringLiteral("mnuHow"), QStringLiteral("mnuChat")}) {
            QWidget *window = choose(menu);
            QCOMPARE(window->windowType(), Qt::Tool);
            QVERIFY(window->windowFlags() & Qt::WindowCloseButtonHint);
            QVERIFY(!(window->windowFlags() & Qt::WindowMinMaxButtonsHint));
            QCOMPARE(window->minimumSize(), window->maximumSize());
            QVERIFY(!m_window->findChild<QPushButton *>()->autoDefault());
        }
        // frmHow opens centred on the main window, give or take the window frame.
        const QPoint offset =
            m_form->howWindow()->frameGeometry().center() - m_form->frameGeometry().center();
        QVERIFY(qAbs(offset.x()) <= 3 && qAbs(offset.y()) <= 3);
    }
    // Closing the main window while a look-up window is open keeps the program running until
    // that window is closed too; with nothing else open, the program ends with the main window.
    void endsWithLastWindow_data() {
        menus();
        QTest::newRow("nothing else open") << QString() << QStringList() << QString();
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
