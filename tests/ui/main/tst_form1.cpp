#include "common/fakegateway.h"
#include "net/winsock.h"
#include "ui/handler.h"
#include "ui/main/form1.h"
#include "ui/main/transcriptview.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <memory>

// The main window as a user drives it: typing and Enter, the Send button, the menus, and the
// gateway's text arriving over real loopback TCP (addresses 127.0.0.10 to 127.0.0.19).
class TestForm1 : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Form1> form;

    static const QString welcome() {
        return QStringLiteral("\t                 \tWELCOME TO BRACKMOOR CHAT v3.05\r\n");
    }

    void trigger(const char *name) {
        auto *action = form->findChild<QAction *>(QString::fromLatin1(name));
        QVERIFY2(action, name);
        action->trigger();
    }

    bool connectTo(FakeGateway &gateway) {
        Winsock *socket = form->Winsock1;
        socket->setProtocol(0);
        socket->setRemoteHost(gateway.address());
        socket->setRemotePort(6112);
        socket->Connect();
        return QTest::qWaitFor([socket] { return socket->State() == 7; }) &&
               gateway.waitForClient();
    }

    void typeLine(const QString &text) {
        form->Text1->setFocus();
        QTest::keyClicks(form->Text1, text);
        QTest::keyClick(form->Text1, Qt::Key_Return);
    }

private Q_SLOTS:
    void init() {
        form = std::make_unique<Form1>();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
    }

    void cleanup() { form.reset(); }

    void startsWithWelcomeAndLayout() {
        QCOMPARE(form->windowTitle(), QStringLiteral("Brackmoor Chat v3.05"));
        QCOMPARE(form->Text2->text(), welcome());
        QCOMPARE(form->Text2->length(), 52);
        QCOMPARE(form->Text1->text(), QString());
        QVERIFY(form->Text1->hasFocus());
        QCOMPARE(form->Winsock1->State(), 0);

        // Twips at 15 a pixel, relative to the frame.
        QCOMPARE(form->centralWidget()->size(), QSize(668, 412));
        QCOMPARE(form->Frame1->geometry(), QRect(0, 0, 665, 409));
        QCOMPARE(form->Frame1->title(), QStringLiteral("Chatting Options"));
        QCOMPARE(form->Label2->geometry(), QRect(8, 16, 161, 17));
        QCOMPARE(form->Image1->geometry(), QRect(184, 8, 292, 29));
        QCOMPARE(form->Image1->pixmap().size(), QSize(292, 29));
        QCOMPARE(form->Label1->geometry(), QRect(488, 16, 169, 17));
        QCOMPARE(form->Text2->geometry(), QRect(8, 40, 649, 337));
        QCOMPARE(form->Text1->geometry(), QRect(8, 384, 593, 19));
        QCOMPARE(form->cmdSend->geometry(), QRect(608, 384, 49, 19));
        QCOMPARE(form->Text1->maxLength(), std::numeric_limits<int>::max());

        // Tab skips the transcript: from the input line to Send and back.
        QCOMPARE(form->Text2->focusPolicy(), Qt::ClickFocus);
        QTest::keyClick(form->Text1, Qt::Key_Tab);
        QVERIFY(form->cmdSend->hasFocus());

        // Maximizing moves nothing.
        form->showMaximized();
        QTest::qWait(20);
        QCOMPARE(form->Text2->geometry(), QRect(8, 40, 649, 337));
    }

    void menuBarHasEveryItemInOrder() {
        QStringList seen;
        const auto menus = form->menuBar()->actions();
        for (QAction *menu : menus) {
            seen << menu->text();
            const auto items = menu->menu()->actions();
            for (QAction *item : items)
                seen << (item->isSeparator() ? QStringLiteral("-")
                                             : QStringLiteral(". ") + item->text());
        }
        const QStringList expected = {"&File",
                                      ". &LogIn",
                                      ". &Disconnect",
                                      ". &IP Teller",
                                      ". &Channels",
                                      "-",
                                      ". &KTX",
                                      ". &RWQN",
                                      ". &Ashwalkers",
                                      "-",
                                      ". &Exit",
                                      "&Edit",
                                      ". &Copy",
                                      ". C&ut",
                                      ". &Select All",
                                      "-",
                                      ". Clea&r Clipboard",
                                      ". Cl&ear Screen",
                                      "&Options",
                                      ". &Mark as Away",
                                      ". Mark as &DND",
                                      ". &Squelch User",
                                      ". &UnSquelch User",
                                      ". &Join Channel",
                                      ". &Find User",
                                      ". &View Channel List",
                                      "-",
                                      ". &Kick User",
                                      ". &Ban User",
                                      ". U&nBan",
                                      ". &Designate User",
                                      "&Help",
                                      ". &General Help",
                                      ". &About",
                                      ". &System Requirements",
                                      ". &How do I...",
                                      ". &Battle.net Chat Commands",
                                      ". &Contact Us"};
        QCOMPARE(seen, expected);
        for (QAction *menu : menus) {
            const auto items = menu->menu()->actions();
            for (QAction *item : items) {
                QVERIFY(item->shortcut().isEmpty());
                QVERIFY(!item->isCheckable());
                QVERIFY(item->isEnabled());
            }
        }
    }

    void sendsTypedLinesAndEchoesThem() {
        FakeGateway gateway(QStringLiteral("127.0.0.10"));
        QVERIFY(connectTo(gateway));
        gateway.send("Username: ");
        QVERIFY(QTest::qWaitFor([&] { return form->Text2->text().endsWith(u"Username: "); }));
        typeLine(QStringLiteral("hello"));
        QVERIFY(gateway.waitForBytes(7));
        QCOMPARE(gateway.received(), QByteArray("hello\r\n"));
        QCOMPARE(form->Text1->text(), QString());
        QVERIFY(form->Text1->hasFocus());

        // An empty line and a line of blanks go out as they are, by button and by Enter.
        QTest::mouseClick(form->cmdSend, Qt::LeftButton);
        typeLine(QStringLiteral("   "));
        typeLine(QStringLiteral("/join magic"));
        const QByteArray expected("hello\r\n\r\n   \r\n/join magic\r\n");
        QVERIFY(gateway.waitForBytes(expected.size()));
        QCOMPARE(gateway.received(), expected);

        // The arrival left the caret at the end: every echo follows it.
        QCOMPARE(form->Text2->text(), welcome() + u"Username: hello\r\n\r\n   \r\n/join magic\r\n");

        // A pasted text goes out as it stands, tabs and line breaks included.
        QGuiApplication::clipboard()->setText(QStringLiteral("a\tb\r\nc"));
        QTest::keyClick(form->Text1, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(form->Text1, Qt::Key_Return);
        QVERIFY(gateway.waitForBytes(expected.size() + 8));
        QCOMPARE(gateway.received().mid(expected.size()), QByteArray("a\tb\r\nc\r\n"));
    }

    void echoGoesIntoTheSelection() {
        FakeGateway gateway(QStringLiteral("127.0.0.11"));
        QVERIFY(connectTo(gateway));
        form->Text2->setText(QStringLiteral("abcdef"));

        // At a caret placed inside the transcript.
        form->Text2->setSelectionStart(3);
        typeLine(QStringLiteral("X"));
        QCOMPARE(form->Text2->text(), QStringLiteral("abcX\r\ndef"));
        QCOMPARE(form->Text2->selectionStart(), 6);

        // In place of a selection.
        form->Text2->setSelectionStart(1);
        form->Text2->setSelectionLength(2);
        typeLine(QStringLiteral("Y"));
        QCOMPARE(form->Text2->text(), QStringLiteral("aY\r\nX\r\ndef"));

        // After Select All, in place of everything.
        trigger("mnuSelect");
        typeLine(QStringLiteral("Z"));
        QCOMPARE(form->Text2->text(), QStringLiteral("Z\r\n"));
    }

    void arrivalsAppendAndMoveTheCaretToTheEnd() {
        FakeGateway gateway(QStringLiteral("127.0.0.12"));
        QVERIFY(connectTo(gateway));
        gateway.send("Hel");
        QVERIFY(QTest::qWaitFor([&] { return form->Text2->text().endsWith(u"Hel"); }));

        // The user places the caret and selects; the next arrival still goes to the end.
        form->Text2->setSelectionStart(2);
        form->Text2->setSelectionLength(4);
        gateway.send("lo\r\n");
        const QString expected = welcome() + u"Hello\r\n";
        QVERIFY(QTest::qWaitFor([&] { return form->Text2->text() == expected; }));
        QCOMPARE(form->Text2->selectionStart(), expected.size());
        QCOMPARE(form->Text2->selectionLength(), 0);

        // So the next echo follows what arrived.
        typeLine(QStringLiteral("me"));
        QCOMPARE(form->Text2->text(), expected + u"me\r\n");

        // Control characters go into the transcript unchanged.
        gateway.send(QByteArray("\x00\x01\x1b[1m\r\x7f\n", 9));
        QVERIFY(QTest::qWaitFor([&] { return form->Text2->text().endsWith(u"\x7f\n"); }));
        QCOMPARE(form->Text2->text().right(9), QString::fromUtf16(u"\0\x01\x1b[1m\r\x7f\n", 9));
    }

    void failedSendKeepsTheLineAndSaysWhy() {
        typeLine(QStringLiteral("nobody hears this"));
        QCOMPARE(form->Text1->text(), QStringLiteral("nobody hears this"));
        QCOMPARE(form->Text2->text(), welcome());
        QVERIFY(form->statusText().contains(QStringLiteral("no connection")));
    }

    void disconnectReplacesTheTranscript() {
        const QString notice = QStringLiteral("[ YOUR CONNECTION HAS BEEN TERMINATED ]");
        // Also with no connection open.
        trigger("mnuDis");
        QCOMPARE(form->Text2->text(), notice);
        QCOMPARE(notice.size(), 39);

        FakeGateway gateway(QStringLiteral("127.0.0.13"));
        QVERIFY(connectTo(gateway));
        gateway.send("Username: ");
        QVERIFY(QTest::qWaitFor([&] { return form->Text2->text().endsWith(u"Username: "); }));
        QCOMPARE(form->Text2->text(), notice + u"Username: ");
        trigger("mnuDis");
        QCOMPARE(form->Text2->text(), notice);
        QCOMPARE(form->Winsock1->State(), 0);
        QVERIFY(gateway.waitForClientGone());
        QVERIFY(form->statusText().contains(QStringLiteral("Disconnected")));

        // A new connection works without restarting.
        QVERIFY(connectTo(gateway));
        gateway.send("again\r\n");
        QVERIFY(QTest::qWaitFor([&] { return form->Text2->text() == notice + u"again\r\n"; }));
    }

    void editMenuWorksOnTheTranscript() {
        QClipboard *clipboard = QGuiApplication::clipboard();
        form->Text2->setText(QStringLiteral("one\r\ntwo"));

        // Copy with nothing selected leaves an empty text, not the old contents.
        clipboard->setText(QStringLiteral("old"));
        trigger("mnuCopy");
        QCOMPARE(clipboard->text(), QString());

        form->Text2->setSelectionStart(3);
        form->Text2->setSelectionLength(4);
        trigger("mnuCopy");
        QCOMPARE(clipboard->text(), QStringLiteral("\r\ntw"));
        QCOMPARE(form->Text2->text(), QStringLiteral("one\r\ntwo"));

        // Cut deletes from the transcript although the user cannot type into it.
        form->Text2->setSelectionStart(0);
        form->Text2->setSelectionLength(3);
        trigger("mnuCut");
        QCOMPARE(clipboard->text(), QStringLiteral("one"));
        QCOMPARE(form->Text2->text(), QStringLiteral("\r\ntwo"));

        trigger("mnuClip");
        QCOMPARE(clipboard->text(), QString());

        trigger("mnuSelect");
        QCOMPARE(form->Text2->selectionStart(), 0);
        QCOMPARE(form->Text2->selectionLength(), 5);
        QVERIFY(form->Text1->hasFocus());

        trigger("mnuClear");
        QCOMPARE(form->Text2->text(), QString());
        trigger("mnuSelect");
        QCOMPARE(form->Text2->selectionStart(), 0);
        QCOMPARE(form->Text2->selectionLength(), 0);
    }

    void clearScreenThenArrivalStartsAtTheTop() {
        FakeGateway gateway(QStringLiteral("127.0.0.16"));
        QVERIFY(connectTo(gateway));
        trigger("mnuClear");
        gateway.send("first\r\n");
        QVERIFY(QTest::qWaitFor([&] { return form->Text2->text() == u"first\r\n"; }));
    }

    void optionsMenuPutsCommandBeginnings() {
        const QList<QPair<const char *, QString>> items = {{"mnuAway", "/away "},
                                                           {"mnuDND", "/DND "},
                                                           {"mnuSquelch", "/squelch "},
                                                           {"mnuUnsquelch", "/Unsquelch "},
                                                           {"mnuJoin", "/join "},
                                                           {"mnuFind", "/whois "},
                                                           {"mnuList", "/who "},
                                                           {"mnuKick", "/kick "},
                                                           {"mnuBan", "/ban "},
                                                           {"mnuUnban", "/unban "},
                                                           {"mnuDesignate", "/designate "}};
        for (const auto &item : items) {
            form->Text1->setText(QStringLiteral("half-typed message"));
            trigger(item.first);
            QCOMPARE(form->Text1->text(), item.second);
            trigger(item.first);
            QCOMPARE(form->Text1->text(), item.second);
        }

        FakeGateway gateway(QStringLiteral("127.0.0.17"));
        QVERIFY(connectTo(gateway));
        trigger("mnuKick");
        QTest::keyClick(form->Text1, Qt::Key_Return);
        QVERIFY(gateway.waitForBytes(8));
        QCOMPARE(gateway.received(), QByteArray("/kick \r\n"));
    }

    void clockShowsTimeAndDate() {
        // Nothing before the first tick, then time on the right and date on the left.
        auto fresh = std::make_unique<Form1>();
        QCOMPARE(fresh->Label1->text(), QString());
        QCOMPARE(fresh->Label2->text(), QString());
        QCOMPARE(fresh->Timer1->interval(), 1);
        QVERIFY(fresh->Timer1->isActive());
        QVERIFY(QTest::qWaitFor([&] { return !fresh->Label1->text().isEmpty(); }));
        QCOMPARE(fresh->Label2->text(),
                 QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
        QVERIFY(fresh->Label1->text().contains(u':'));
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
