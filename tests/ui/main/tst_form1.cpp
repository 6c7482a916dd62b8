#include "common/bytes.h"
#include "common/fakegateway.h"
#include "common/testaddresses.h"
#include "net/winsock.h"
#include "ui/main/form1.h"
#include "ui/main/transcriptview.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using TestAddresses::address;
using TestAddresses::kMainWindow;

// The main window as a user drives it: typing and Enter, the Send button, the menus, and the
// gateway's text arriving over real loopback TCP.
class TestForm1 : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<Form1> form;
    QLineEdit *input = nullptr;
    TranscriptView *transcript = nullptr;
    Winsock *socket = nullptr;

    const QString welcome = u"\t                 \tWELCOME TO BRACKMOOR CHAT v3.05\r\n"_s;
    const QString terminated = u"[ YOUR CONNECTION HAS BEEN TERMINATED ]"_s;

    void trigger(const char *name) {
        auto *action = form->findChild<QAction *>(QString::fromLatin1(name));
        QVERIFY2(action, name);
        action->trigger();
    }

    QString status() const { return form->findChild<QLabel *>(u"statusLine"_s)->text(); }

    bool connectTo(FakeGateway &gateway) {
        socket->setRemoteHost(gateway.address());
        return socket->Connect().ok() && QTest::qWaitFor([this] { return socket->State() == 7; }) &&
               gateway.waitForClient();
    }

    void typeLine(const QString &text) {
        input->setFocus();
        QTest::keyClicks(input, text);
        QTest::keyClick(input, Qt::Key_Return);
    }

private Q_SLOTS:
    void init() {
        SKIP_WITHOUT_LOOPBACK_ALIASES();
        form = std::make_unique<Form1>();
        input = form->findChild<QLineEdit *>(u"Text1"_s);
        transcript = form->findChild<TranscriptView *>(u"Text2"_s);
        socket = form->findChild<Winsock *>(u"Winsock1"_s);
        QVERIFY(input && transcript && socket);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
    }

    void cleanup() { form.reset(); }

    void sendsTypedLinesAndEchoesThem() {
        QCOMPARE(transcript->text(), welcome);
        QVERIFY(input->hasFocus());
        FakeGateway gateway(address(kMainWindow, 0));
        QVERIFY(connectTo(gateway));
        gateway.send("Username: ");
        QTRY_VERIFY(transcript->text().endsWith(u"Username: "));
        typeLine(u"hello"_s);
        QCOMPARE(input->text(), QString());
        QVERIFY(input->hasFocus());

        // An empty line and a line of blanks go out as they are, by button and by Enter.
        QTest::mouseClick(form->findChild<QPushButton *>(u"cmdSend"_s), Qt::LeftButton);
        typeLine(u"   "_s);
        typeLine(u"/join magic"_s);
        // A pasted text goes out as it stands, tabs and line breaks included.
        QGuiApplication::clipboard()->setText(u"a\tb\r\nc"_s);
        QTest::keyClick(input, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(input, Qt::Key_Return);
        const QByteArray expected("hello\r\n\r\n   \r\n/join magic\r\na\tb\r\nc\r\n");
        QVERIFY(gateway.waitForBytes(expected.size()));
        COMPARE_BYTES(gateway.received(), expected);
        // The arrival left the caret at the end: every echo follows it.
        QCOMPARE(transcript->text(), welcome + u"Username: " + QString::fromLatin1(expected));
    }

    void echoGoesIntoTheSelection() {
        FakeGateway gateway(address(kMainWindow, 1));
        QVERIFY(connectTo(gateway));
        transcript->setText(u"abcdef"_s);
        transcript->setSelectionStart(3);
        typeLine(u"X"_s);
        QCOMPARE(transcript->text(), u"abcX\r\ndef"_s);
        QCOMPARE(transcript->selectionStart(), 6);
        transcript->setSelectionStart(1);
        transcript->setSelectionLength(2);
        typeLine(u"Y"_s);
        QCOMPARE(transcript->text(), u"aY\r\nX\r\ndef"_s);
        trigger("mnuSelect");
        typeLine(u"Z"_s);
        QCOMPARE(transcript->text(), u"Z\r\n"_s);
    }

    void arrivalsAppendAndMoveTheCaretToTheEnd() {
        FakeGateway gateway(address(kMainWindow, 2));
        QVERIFY(connectTo(gateway));
        gateway.send("Hel");
        QTRY_VERIFY(transcript->text().endsWith(u"Hel"));
        // The user places the caret and selects; the next arrival still goes to the end.
        transcript->setSelectionStart(2);
        transcript->setSelectionLength(4);
        gateway.send("lo\r\n");
        const QString expected = welcome + u"Hello\r\n";
        QTRY_COMPARE(transcript->text(), expected);
        QCOMPARE(transcript->selectionStart(), expected.size());
        QCOMPARE(transcript->selectionLength(), 0);
        typeLine(u"me"_s);
        QCOMPARE(transcript->text(), expected + u"me\r\n");
        // Control characters go into the transcript unchanged.
        gateway.send(QByteArray("\x00\x01\x1b[1m\r\x7f\n", 9));
        QTRY_VERIFY(transcript->text().endsWith(u"\x7f\n"));
        QCOMPARE(transcript->text().right(9), QString::fromUtf16(u"\0\x01\x1b[1m\r\x7f\n", 9));
    }

    void refusedSendKeepsTheLineAndSaysWhy() {
        typeLine(u"nobody hears this"_s);
        QCOMPARE(input->text(), u"nobody hears this"_s);
        QCOMPARE(transcript->text(), welcome);
        QCOMPARE(status(), u"Not sent: no connection is open."_s);

        // After the gateway has closed, the status line says what to do next.
        FakeGateway gateway(address(kMainWindow, 3));
        QVERIFY(connectTo(gateway));
        gateway.closeClient();
        QTRY_COMPARE(socket->State(), int(Winsock::sckClosing));
        QCOMPARE(status(),
                 u"The gateway closed the connection. Choose Disconnect before connecting "
                 u"again."_s);
        QTest::keyClick(input, Qt::Key_Return);
        QCOMPARE(status(), u"Not sent: the gateway closed the connection."_s);
        QCOMPARE(input->text(), u"nobody hears this"_s);
    }

    void disconnectReplacesTheTranscript() {
        // Also with no connection open.
        trigger("mnuDis");
        QCOMPARE(transcript->text(), terminated);

        FakeGateway gateway(address(kMainWindow, 4));
        QVERIFY(connectTo(gateway));
        gateway.send("Username: ");
        QTRY_COMPARE(transcript->text(), terminated + u"Username: ");
        trigger("mnuDis");
        QCOMPARE(transcript->text(), terminated);
        QCOMPARE(socket->State(), 0);
        QVERIFY(gateway.waitForClientGone());
        QCOMPARE(status(), u"Disconnected"_s);

        // A new connection works without restarting.
        QVERIFY(connectTo(gateway));
        gateway.send("again\r\n");
        QTRY_COMPARE(transcript->text(), terminated + u"again\r\n");
    }

    void editMenuWorksOnTheTranscript() {
        QClipboard *clipboard = QGuiApplication::clipboard();
        transcript->setText(u"one\r\ntwo"_s);

        // Copy with nothing selected leaves an empty text, not the old contents.
        clipboard->setText(u"old"_s);
        trigger("mnuCopy");
        QCOMPARE(clipboard->text(), QString());
        transcript->setSelectionStart(3);
        transcript->setSelectionLength(4);
        trigger("mnuCopy");
        QCOMPARE(clipboard->text(), u"\r\ntw"_s);

        // Cut deletes from the transcript although the user cannot type into it.
        transcript->setSelectionStart(0);
        transcript->setSelectionLength(3);
        trigger("mnuCut");
        QCOMPARE(clipboard->text(), u"one"_s);
        QCOMPARE(transcript->text(), u"\r\ntwo"_s);
        trigger("mnuClip");
        QCOMPARE(clipboard->text(), QString());
        trigger("mnuSelect");
        QCOMPARE(transcript->selectionLength(), 5);
        QVERIFY(input->hasFocus());

        // After Clear Screen the next arrival starts at the top.
        FakeGateway gateway(address(kMainWindow, 5));
        QVERIFY(connectTo(gateway));
        trigger("mnuClear");
        QCOMPARE(transcript->text(), QString());
        gateway.send("first\r\n");
        QTRY_COMPARE(transcript->text(), u"first\r\n"_s);
    }

    void optionsMenuPutsCommandBeginnings_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("beginning");
        for (const auto &[item, beginning] : {std::pair{"mnuAway", "/away "},
                                              {"mnuDND", "/DND "},
                                              {"mnuSquelch", "/squelch "},
                                              {"mnuUnsquelch", "/Unsquelch "},
                                              {"mnuJoin", "/join "},
                                              {"mnuFind", "/whois "},
                                              {"mnuList", "/who "},
                                              {"mnuKick", "/kick "},
                                              {"mnuBan", "/ban "},
                                              {"mnuUnban", "/unban "},
                                              {"mnuDesignate", "/designate "}})
            QTest::newRow(item) << QString::fromLatin1(item) << QString::fromLatin1(beginning);
    }

    void optionsMenuPutsCommandBeginnings() {
        QFETCH(QString, item);
        QFETCH(QString, beginning);
        input->setText(u"half-typed message"_s);
        trigger(item.toLatin1().constData());
        QCOMPARE(input->text(), beginning);
        // The user completes it and sends it like any line.
        FakeGateway gateway(address(kMainWindow, 6));
        QVERIFY(connectTo(gateway));
        QTest::keyClicks(input, u"Bob"_s);
        QTest::keyClick(input, Qt::Key_Return);
        const QByteArray line = beginning.toLatin1() + "Bob\r\n";
        QVERIFY(gateway.waitForBytes(line.size()));
        COMPARE_BYTES(gateway.received(), line);
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
