// The two look-up windows: "How do I...." (frmHow) and "Battle.net Chat Commands" (frmChatCom).
#include "help/frmchatcom.h"
#include "help/frmhow.h"
#include "ui/main/form1.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

const QStringList kQuestions = {
    QStringLiteral("How do I connect?"),
    QStringLiteral("How do I log in?"),
    QStringLiteral("How do I chat?"),
    QStringLiteral("What's my Username and Pass?"),
    QStringLiteral("What are the chat commands?"),
    QStringLiteral("I have a question, Where can I send it?"),
};
const QStringList kCommands = {
    QStringLiteral("/whois <NAME>"),
    QStringLiteral("/whoami"),
    QStringLiteral("/whisper <NAME>"),
    QStringLiteral("/squelch <NAME>"),
    QStringLiteral("/unsquelch <NAME>"),
    QStringLiteral("/away <TEXT>"),
    QStringLiteral("/dnd <TEXT>"),
    QStringLiteral("/who <CHANNEL>"),
    QStringLiteral("/users"),
    QStringLiteral("/time"),
    QStringLiteral("/join <CHANNEL>"),
    QStringLiteral("/me <TEXT>"),
    QStringLiteral("/rejoin"),
    QStringLiteral("/designate <USER>"),
    QStringLiteral("/resign"),
    QStringLiteral("/kick <USER>"),
    QStringLiteral("/ban <USER>"),
    QStringLiteral("/unban <USER>"),
};
const QString kAnswer1 = QStringLiteral(
    "You must first have a valid connection to the internet. Then choose the LogIn button in the "
    "file menu, and enter your user information, and server. Push 'connect' then 'LogIn'. You "
    "will see it prompt you for a password when you push 'LogIn', don't worry about that.. It's "
    "taken care of :)");
const QString kAnswer2 = QStringLiteral(
    "After you push connect, enter your user information, and server. Push 'LOGIN'. Don't worry "
    "if it asks you for a password, just wait till you see it log in...");
const QString kSquelch = QStringLiteral(
    "This is for all the lamers who plague battle.net. If you are tired of hearing some bot "
    "spam, you can filter out messages from him. EX: /squelch LAMEBOT");
const QString kKick =
    QStringLiteral("This will kick a person from the channel if you have ops. EX: /kick SCAMP");

} // namespace

class TestLookupWindows : public QObject {
    Q_OBJECT

private:
    Form1 *m_form = nullptr;

    QWidget *choose(const QString &menu) {
        m_form->findChild<QAction *>(menu)->trigger();
        if (menu == QLatin1String("mnuHow"))
            return m_form->howWindow();
        return m_form->chatComWindow();
    }
    static QComboBox *list(QWidget *w) {
        return w->findChild<QComboBox *>(QStringLiteral("Combo1"));
    }
    static QLabel *box(QWidget *w) { return w->findChild<QLabel *>(QStringLiteral("Label1")); }
    static void answer(QWidget *w) {
        QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    }
    static void type(QWidget *w, const QString &text) {
        QLineEdit *edit = list(w)->lineEdit();
        edit->clear();
        QTest::keyClicks(edit, text);
        QCOMPARE(list(w)->currentText(), text);
    }
    static void pick(QWidget *w, const QString &text) {
        list(w)->setCurrentIndex(list(w)->findText(text, Qt::MatchExactly));
        QCOMPARE(list(w)->currentText(), text);
    }
    static QStringList items(QComboBox *combo) {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts.append(combo->itemText(i));
        return texts;
    }

    static void menus() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("frmHow") << "mnuHow" << kQuestions << "Select your Question...";
        QTest::newRow("frmChatCom") << "mnuChat" << kCommands << "Select the Command";
    }

private Q_SLOTS:
    void init() { m_form = new Form1; }
    void cleanup() {
        destroyRemainingWindows();
        m_form = nullptr;
    }

    void filledInOrderOnce_data() { menus(); }
    void filledInOrderOnce() {
        QFETCH(QString, menu);
        QFETCH(QStringList, keys);
        QFETCH(QString, prompt);
        QWidget *window = choose(menu);
        QCOMPARE(items(list(window)), keys);
        QCOMPARE(list(window)->currentText(), prompt);
        QVERIFY(box(window)->text().isEmpty());
        QCOMPARE(window->focusWidget(), list(window));

        pick(window, keys.at(1));
        answer(window);
        const QString shown = box(window)->text();
        QVERIFY(!shown.isEmpty());
        QCOMPARE(choose(menu), window);
        QCOMPARE(items(list(window)), keys);
        QCOMPARE(box(window)->text(), shown);
    }

    void lookup_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<bool>("typed");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("question picked") << "mnuHow" << false << kQuestions[0] << kAnswer1;
        QTest::newRow("question typed") << "mnuHow" << true << kQuestions[0] << kAnswer1;
        QTest::newRow("lower case") << "mnuHow" << true << "how do i connect?" << QString();
        QTest::newRow("trailing blank") << "mnuHow" << true << "How do I connect? " << QString();
        QTest::newRow("start of a question") << "mnuHow" << true << "How do I" << QString();
        QTest::newRow("answer 5")
            << "mnuHow" << false << kQuestions[4]
            << "Chat commands are what you can use to enhance your battle.net experience. You "
               "can see a list of them under our help file, or goto: http://www.battle.net for "
               "the official list...";
        QTest::newRow("answer 6")
            << "mnuHow" << false << kQuestions[5]
            << "You can send all questions, comments, bug reports, or whatever to: "
               "support@brackmoor.example.org.";
        QTest::newRow("/dnd picked") << "mnuChat" << false << "/dnd <TEXT>"
                                     << "This will do the same as away... Kinda dumb";
        QTest::newRow("/users picked")
            << "mnuChat" << false << "/users"
            << "This will display how many users are logged on battle.net";
        QTest::newRow("/whoami typed")
            << "mnuChat" << true << "/whoami"
            << "This will tell you your battle.net account information, including your current "
               "location.";
        QTest::newRow("capitals") << "mnuChat" << true << "/WHOAMI" << QString();
        QTest::newRow("/whois alone") << "mnuChat" << true << "/whois" << QString();
        QTest::newRow("/kick alone") << "mnuChat" << true << "/kick" << QString();
        QTest::newRow("start of four commands") << "mnuChat" << true << "/wh" << QString();
        QTest::newRow("trailing blank") << "mnuChat" << true << "/kick <USER> " << QString();
        QTest::newRow("/kick typed whole") << "mnuChat" << true << "/kick <USER>" << kKick;
        QTest::newRow("angle brackets")
            << "mnuChat" << false << "/me <TEXT>"
            << "This will display yellow text, EX: if you typed '/me IS GOD' It would look like "
               "this: <NAME: IS GOD>";
    }
    void lookup() {
        QFETCH(QString, menu);
        QFETCH(bool, typed);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QWidget *window = choose(menu);
        answer(window); // the prompt itself is no key
        QVERIFY(box(window)->text().isEmpty());
        typed ? type(window, text) : pick(window, text);
        answer(window);
        QCOMPARE(box(window)->text(), expected);
        QCOMPARE(box(window)->textFormat(), Qt::PlainText);
    }

    void missKeepsEarlierAnswer() {
        QWidget *how = choose(QStringLiteral("mnuHow"));
        pick(how, kQuestions[1]);
        answer(how);
        type(how, QStringLiteral("Where is the bathroom?"));
        answer(how);
        QCOMPARE(box(how)->text(), kAnswer2);

        QWidget *commands = choose(QStringLiteral("mnuChat"));
        pick(commands, QStringLiteral("/kick <USER>"));
        answer(commands);
        type(commands, QStringLiteral("/kick SCAMP"));
        answer(commands);
        QCOMPARE(box(commands)->text(), kKick);
    }

    void enterNeitherAnswersNorAdds_data() { menus(); }
    void enterNeitherAnswersNorAdds() {
        QFETCH(QString, menu);
        QFETCH(QStringList, keys);
        QWidget *window = choose(menu);
        QLineEdit *edit = list(window)->lineEdit();
        type(window, keys.first());
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClick(edit, Qt::Key_Enter);
        QVERIFY(box(window)->text().isEmpty());

        // A case-insensitive near miss must stay as typed: neither Enter nor the focus moving
        // to the button may swap in the listed entry.
        const QString nearMiss = keys.first().toLower();
        type(window, nearMiss);
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(list(window)->currentText(), nearMiss);
        answer(window);
        QVERIFY(box(window)->text().isEmpty());
        QCOMPARE(items(list(window)), keys);
    }

    void reopeningStartsFresh_data() { menus(); }
    void reopeningStartsFresh() {
        QFETCH(QString, menu);
        QFETCH(QStringList, keys);
        QFETCH(QString, prompt);
        QPointer<QWidget> window = choose(menu);
        pick(window, keys.last());
        answer(window);
        window->close();
        QTRY_VERIFY(!window);

        QWidget *fresh = choose(menu);
        QCOMPARE(items(list(fresh)), keys);
        QCOMPARE(list(fresh)->currentText(), prompt);
        QVERIFY(box(fresh)->text().isEmpty());
    }

    void everyAnswerShownWhole_data() { menus(); }
    void everyAnswerShownWhole() {
        QFETCH(QString, menu);
        QFETCH(QStringList, keys);
        QWidget *window = choose(menu);
        QLabel *label = box(window);
        QCOMPARE(label->size(), QSize(305, 89));
        for (const QString &key : keys) {
            pick(window, key);
            answer(window);
            QVERIFY2(label->heightForWidth(label->width()) <= label->height(), qPrintable(key));
        }
        pick(window, keys.value(3));
        answer(window);
        if (menu == QLatin1String("mnuChat"))
            QCOMPARE(label->text(), kSquelch);
    }

    void toolWindowLook_data() { menus(); }
    void toolWindowLook() {
        QFETCH(QString, menu);
        QWidget *window = choose(menu);
        QCOMPARE(window->windowType(), Qt::Tool);
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QCOMPARE(list(window)->palette().color(QPalette::Text), QColor(255, 0, 0));
        QCOMPARE(list(window)->palette().color(QPalette::Base), QColor(0, 0, 0));
        QCOMPARE(box(window)->palette().color(QPalette::WindowText), QColor(0, 192, 0));
        QCOMPARE(box(window)->palette().color(QPalette::Window), QColor(0, 0, 0));
        QVERIFY(box(window)->wordWrap());
        QVERIFY(!window->findChild<QPushButton *>(QStringLiteral("Command1"))->autoDefault());
    }

    void howCentredOnMainWindow() {
        // Far from the middle of the screen, so that the two kinds of centring differ.
        m_form->move(300, 250);
        m_form->show();
        QWidget *how = choose(QStringLiteral("mnuHow"));
        const QPoint offset = how->frameGeometry().center() - m_form->frameGeometry().center();
        // The window frame is only known once shown; it may shift the window by its width.
        QVERIFY2(qAbs(offset.x()) <= 3 && qAbs(offset.y()) <= 3,
                 qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
    }
};

QTEST_MAIN(TestLookupWindows)
#include "tst_lookupwindows.moc"
