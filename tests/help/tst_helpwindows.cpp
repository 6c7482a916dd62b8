// The help windows as opened from the main window's menu, and the notices. That they need no
// main window, the layer checks in tests/layers show: the help library cannot see it.
#include "common/windows.h"
#include "ui/main/form1.h"
#include "widgets/singlewindow.h"

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

    QPointer<Form1> m_form;
    QPointer<QWidget> m_window;
    QList<QUrl> m_opened;

    // The window the menu item opened or brought to the front.
    QWidget *choose(const QString &menu) { return m_window = openFromMenu(m_form, menu); }
    QComboBox *list() const { return m_window->findChild<QComboBox *>(QStringLiteral("Combo1")); }
    QLabel *box() const { return m_window->findChild<QLabel *>(QStringLiteral("Label1")); }
    // Types `text` into the edit field, presses `key` there, then clicks "Answer!".
    void answer(const QString &text, Qt::Key key = Qt::Key_unknown) {
        list()->lineEdit()->clear();
        QTest::keyClicks(list()->lineEdit(), text);
        if (key != Qt::Key_unknown)
            QTest::keyClick(list()->lineEdit(), key);
        QCOMPARE(list()->currentText(), text);
        QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("Command1")),
                          Qt::LeftButton);
    }

public Q_SLOTS: // the user's browser
    void openUrl(const QUrl &url) { m_opened.append(url); }

private Q_SLOTS:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { m_form = new Form1; }
    void cleanup() { destroyRemainingWindows(); }

    // Each entry has a text of its own that fits its box; only an exact key finds it; the prompt,
    // misses and Enter change nothing.
    void lookup_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QStringList>("misses");
        QTest::newRow("frmHow") << "mnuHow" << QStringList{"how do i connect?"};
        QTest::newRow("frmChatCom") << "mnuChat" << QStringList{"/WHOAMI", "/whois", "/whoami "};
    }
    void lookup() {
        QFETCH(QString, menu);
        QFETCH(QStringList, misses);
        QVERIFY(choose(menu));
        QCOMPARE(m_window->focusWidget(), list());
        answer(list()->currentText()); // the prompt
        QVERIFY(box()->text().isEmpty());
        const int entries = list()->count();
        QSet<QString> texts;
        for (int i = 0; i < entries; ++i) {
            answer(list()->itemText(i));
            texts.insert(box()->text());
            QVERIFY2(box()->heightForWidth(box()->width()) <= box()->height(),
                     qPrintable(box()->text()));
        }
        QCOMPARE(texts.size(), entries);
        QVERIFY(!texts.contains(QString()));
        const QString found = box()->text();
        for (const QString &miss : misses) {
            answer(miss, Qt::Key_Return);
            QCOMPARE(box()->text(), found);
        }
        answer(QStringLiteral("something new"), Qt::Key_Enter);
        QCOMPARE(list()->count(), entries);
        // Enter in the edit field does not press "Answer!".
        list()->lineEdit()->setText(list()->itemText(0));
        QTest::keyClick(list()->lineEdit(), Qt::Key_Return);
        QCOMPARE(box()->text(), found);
    }

    // "How do I...." opens centred on the window that opened it, wherever that stands.
    void howCentredOnItsOwner() {
        m_form->setGeometry(40, 60, 700, 500);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        const QPoint offset = choose(QStringLiteral("mnuHow"))->frameGeometry().center() -
                              m_form->frameGeometry().center();
        QVERIFY(offset.manhattanLength() <= 4); // the frame is drawn only once it is shown
    }

    // The link follows a click, Space and Enter, and not a press released off it.
    void aboutLink() {
        auto *link = choose(QStringLiteral("mnuAbout"))->findChild<QWidget *>("csHyperlink1");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
        QTest::mouseClick(link, Qt::LeftButton);
        QTest::mousePress(link, Qt::LeftButton);
        QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));
        link->setFocus();
        QTest::keyClick(link, Qt::Key_Space);
        QTest::keyClick(link, Qt::Key_Return);
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(m_opened, QList<QUrl>(3, QUrl(QStringLiteral("http://ktx.example.org"))));
    }

    // Application-modal plain text, the leftmost button the default, closed by Escape.
    void notices_data() {
        QTest::addColumn<QString>("menu");
        for (const char *menu : {"mnuContact", "mnuKtx", "mnuRWQN", "mnuAsh", "mnuGen"})
            QTest::newRow(menu) << QString::fromLatin1(menu);
    }
    void notices() {
        QFETCH(QString, menu);
        // The menu item waits in the box: a timer looks at it once and presses Escape.
        QPointer<QMessageBox> box;
        bool plainModalDefaultFirst = false, escapeCloses = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (box || !(box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())))
                return;
            const QList<QAbstractButton *> row = box->buttons();
            const auto leftmost = std::min_element(
                row.begin(), row.end(), [](auto *a, auto *b) { return a->x() < b->x(); });
            plainModalDefaultFirst = box->textFormat() == Qt::PlainText &&
                                     box->windowModality() == Qt::ApplicationModal &&
                                     box->defaultButton() == *leftmost;
            QTest::keyClick(box, Qt::Key_Escape);
            escapeCloses = !box->isVisible();
            box->done(0);
        });
        poll.start(10);
        chooseMenuItem(m_form, menu);
        QVERIFY(plainModalDefaultFirst);
        QVERIFY(escapeCloses);
        QTRY_VERIFY(!box); // closed and gone
    }
};

QTEST_MAIN(TestHelpWindows)
#include "tst_helpwindows.moc"
