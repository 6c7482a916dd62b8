#include "common/bytes.h"
#include "common/fakegateway.h"
#include "common/testaddresses.h"
#include "common/windows.h"
#include "net/winsock.h"
#include "ui/main/form1.h"
#include "ui/main/transcriptview.h"

#include <QApplication>
#include <QClipboard>
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

    std::unique_ptr<Form1> form;
    QLineEdit *input = nullptr;
    TranscriptView *transcript = nullptr;
    Winsock *socket = nullptr;

    void typeLine(const QString &text) {
        input->setFocus();
        QTest::keyClicks(input, text);
        QTest::keyClick(input, Qt::Key_Return);
    }

private Q_SLOTS:
    void init() {
        SKIP_WITHOUT_LOOPBACK_ALIASES();
        form = std::make_unique<Form1>();
        input = child<QLineEdit>(form.get(), "Text1");
        transcript = child<TranscriptView>(form.get(), "Text2");
        socket = child<Winsock>(form.get(), "Winsock1");
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        form->activateWindow();
    }

    void cleanup() { form.reset(); }

    // A line refused without a connection stays typed, unechoed, and goes out once connected.
    // Every line goes out as it stands with CR LF, by Enter or the Send button: empty, blanks,
    // a shortcut's beginning with its trailing blank, a paste with tabs and line breaks.
    void sendsTypedLinesAndEchoesThem() {
        const QString shown = transcript->text();
        typeLine(u"hello"_s);

        FakeGateway gateway(address(kMainWindow, 0));
        QVERIFY(connectSocket(*socket, gateway));
        QTest::keyClick(input, Qt::Key_Return);
        QTest::mouseClick(child<QPushButton>(form.get(), "cmdSend"), Qt::LeftButton);
        typeLine(u"   "_s);
        // A shortcut replaces whatever the input line held, an earlier shortcut included.
        input->setText(u"half-typed message"_s);
        chooseMenuItem(form.get(), u"mnuFind"_s);
        chooseMenuItem(form.get(), u"mnuDND"_s);
        QCOMPARE(input->text(), u"/DND "_s);
        QTest::keyClick(input, Qt::Key_Return);
        QGuiApplication::clipboard()->setText(u"a\tb\r\nc"_s);
        QTest::keyClick(input, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(input, Qt::Key_Return);
        const QByteArray expected("hello\r\n\r\n   \r\n/DND \r\na\tb\r\nc\r\n");
        QVERIFY(gateway.waitForBytes(expected.size()));
        COMPARE_BYTES(gateway.received(), expected);
        // Every echo went in at the caret, which no arrival has moved from the start.
        QCOMPARE(transcript->text(), QString::fromLatin1(expected) + shown);
    }

    // The echo replaces the selection, or goes in at the caret; an arrival goes to the end
    // whatever the user placed or selected, and leaves the caret there.
    void echoesAndArrivals() {
        FakeGateway gateway(address(kMainWindow, 1));
        QVERIFY(connectSocket(*socket, gateway));
        transcript->setText(u"abcdef"_s);
        transcript->setSelectionStart(3);
        typeLine(u"X"_s);
        QCOMPARE(transcript->text(), u"abcX\r\ndef"_s);
        QCOMPARE(transcript->selectionStart(), 6);
        transcript->select(1, 3);
        typeLine(u"Y"_s);
        transcript->setSelectionLength(2);
        const QString expected = u"aY\r\nX\r\ndefHello\r\n"_s;
        gateway.send("Hello\r\n");
        QTRY_COMPARE(transcript->text(), expected);
        QCOMPARE(transcript->selectionStart(), expected.size());
    }

    void editMenuWorksOnTheTranscript() {
        QClipboard *clipboard = QGuiApplication::clipboard();
        transcript->setText(u"one\r\ntwo"_s);
        // Copy with nothing selected leaves an empty text, not the old contents.
        clipboard->setText(u"old"_s);
        chooseMenuItem(form.get(), u"mnuCopy"_s);
        QCOMPARE(clipboard->text(), QString());
        // Cut deletes from the transcript although the user cannot type into it.
        transcript->select(0, 3);
        chooseMenuItem(form.get(), u"mnuCut"_s);
        QCOMPARE(clipboard->text(), u"one"_s);
        QCOMPARE(transcript->text(), u"\r\ntwo"_s);
        chooseMenuItem(form.get(), u"mnuClip"_s);
        QCOMPARE(clipboard->text(), QString());
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
