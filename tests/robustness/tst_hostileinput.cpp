#include "fixture.h"
#include "probes.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QByteArray allBytes(int from, int to, char between = 0) {
    QByteArray bytes;
    for (int b = from; b <= to; ++b) {
        bytes += char(b);
        if (between)
            bytes += between;
    }
    return bytes;
}

// Characters that must never reach the screen as they are: C0 controls but TAB (a CR LF
// pair is a line break, not a character of the line), DEL, C1 controls, the line and
// paragraph separators, bidirectional embeddings, overrides and isolates, and surrogates
// that are not part of a pair.
bool drawnAsIs(QStringView shown, qsizetype i) {
    const char16_t c = shown.at(i).unicode();
    if (c < 0x20)
        return c != u'\t';
    if (c == 0x7F || (c >= 0x80 && c <= 0x9F) || c == 0x2028 || c == 0x2029)
        return true;
    if ((c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069))
        return true;
    if (QChar::isHighSurrogate(c))
        return i + 1 >= shown.size() || !shown.at(i + 1).isLowSurrogate();
    if (QChar::isLowSurrogate(c))
        return i == 0 || !shown.at(i - 1).isHighSurrogate();
    return false;
}

} // namespace

// Whatever bytes a gateway sends reach the transcript through the real socket exactly as
// decoding them in one piece gives, whether they come at once or one byte per arrival, and
// nothing of them is read as markup. The gateway listens on 127.0.0.60.
class tst_HostileInput : public QObject {
    Q_OBJECT

    std::unique_ptr<Form1> form;
    MainWindowDriver main{nullptr};

private Q_SLOTS:
    void init() {
        form = std::make_unique<Form1>();
        main.form = form.get();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() { form.reset(); }

    void arrivesAsDecoded_data() {
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("NUL, every C0 control and DEL")
            << "a\0b"_ba + allBytes(0x00, 0x1F, 'x') + "\x7f\x7f\r\n"_ba;
        QTest::newRow("bytes 0x80 to 0xFF alone") << allBytes(0x80, 0xFF, ' ');
        QTest::newRow("bytes 0x80 to 0xFF in a row") << allBytes(0x80, 0xFF);
        QTest::newRow("overlong forms") << "\xc0\x80|\xc1\xbf|\xe0\x80\x80|\xe0\x9f\xbf|"
                                           "\xf0\x80\x80\x80|\xf0\x8f\xbf\xbf|"
                                           "\xf8\x88\x80\x80\x80|\xfc\x84\x80\x80\x80\x80\r\n"_ba;
        QTest::newRow("truncated sequences") << "\xe2\x82x\xf0\x9f\x98y\xc3 \xe2\r\n\xf0\x9f"_ba;
        QTest::newRow("noncharacters") << "\xef\xbf\xbf\xef\xbf\xbe\xef\xb7\x90\xef\xb7\xaf"
                                          "\xf0\x9f\xbf\xbf\xf4\x8f\xbf\xbf\r\n"_ba;
        QTest::newRow("surrogates encoded in UTF-8")
            << "\xed\xa0\x80|\xed\xaf\xbf|\xed\xb0\x80|\xed\xbf\xbf|\xed\xa0\xbd\xed\xb8\x80\r\n"_ba;
        QTest::newRow("past U+10FFFF") << "\xf4\x90\x80\x80\xf5\x80\x80\x80\xff\xfe"_ba;
        QTest::newRow("byte-order mark first") << "\xef\xbb\xbfUsername: \xef\xbb\xbf"_ba;
        QTest::newRow("bidirectional controls")
            << "user: \xe2\x80\xaetxt.exe\xe2\x80\xac \xe2\x80\xad\xe2\x81\xa6\xe2\x81\xa7"
               "\xe2\x81\xa8\xe2\x81\xa9\xe2\x80\x8f\xd8\x9c\xe2\x80\xaa\xe2\x80\xab\r\n"_ba;
        QTest::newRow("line and paragraph separators") << "a\xe2\x80\xa8"
                                                          "b\xe2\x80\xa9"
                                                          "c\r\n"_ba;
        QTest::newRow("lone CR and LF") << "\r\n\r\r\n\n\r\r\r\n\n\n\r"_ba;
        QTest::newRow("markup") << "<b>x</b><img src=file:///etc/passwd>&lt;&amp;&#65;"
                                   "<script>alert(1)</script>\r\n<a href=\"http://x/\">y</a>"_ba;
        QTest::newRow("ends inside a character") << "caf\xc3"_ba;
    }

    // Every byte arrives, the stream ends with the gateway closing, and the transcript holds
    // exactly what decoding the whole stream at once gives.
    void arrivesAsDecoded() {
        QFETCH(QByteArray, bytes);
        for (const bool bytewise : {false, true}) {
            FakeGateway gateway(u"127.0.0.60"_s);
            main.trigger("mnuClear");
            QVERIFY(main.connectTo(gateway));
            int arrivals = 0;
            const auto counter =
                connect(form->Winsock1, &Winsock::DataArrival, this, [&arrivals] { ++arrivals; });
            if (bytewise) {
                for (const char byte : std::as_const(bytes)) {
                    const int before = arrivals;
                    gateway.send(QByteArray(1, byte));
                    QVERIFY(spinUntil([&] { return arrivals > before; }));
                }
            } else {
                gateway.send(bytes);
            }
            gateway.closeClient();
            QVERIFY(main.waitForState(Winsock::sckClosing));
            const QString expected = decodeWhole(bytes, true);
            QVERIFY(spinUntil([&] { return form->Text2->length() >= expected.size(); }));
            QTest::qWait(20);
            QCOMPARE(form->Text2->text(), expected);
            QCOMPARE(form->Text2->selectionStart(), expected.size());
            disconnect(counter);

            // On screen every troublemaker is a visible symbol, one for one.
            const TranscriptDocument &document = form->Text2->document();
            for (qsizetype line = 0; line < document.lineCount(); ++line) {
                const QString shown = document.displayText(line);
                QCOMPARE(shown.size(), document.lineContentEnd(line) - document.lineStart(line));
                for (qsizetype i = 0; i < shown.size(); ++i)
                    QVERIFY2(!drawnAsIs(shown, i),
                             qPrintable(u"U+%1 drawn as it is"_s.arg(uint(shown.at(i).unicode()), 4,
                                                                     16, QChar(u'0'))));
            }
            main.trigger("mnuDis");
        }
    }

    void byteOrderMarkAtTheStartIsKept() {
        FakeGateway gateway(u"127.0.0.60"_s);
        main.trigger("mnuClear");
        QVERIFY(main.connectTo(gateway));
        gateway.send("\xef\xbb\xbf"
                     "Username: ");
        QVERIFY(QTest::qWaitFor([&] { return form->Text2->text().endsWith(u"Username: "); }));
        QCOMPARE(form->Text2->text(), u"\ufeffUsername: "_s);
    }

    void markupShowsLiterally() {
        FakeGateway gateway(u"127.0.0.60"_s);
        main.trigger("mnuClear");
        QVERIFY(main.connectTo(gateway));
        const QString line = u"<b>x</b><img src=file:///etc/passwd>"_s;
        gateway.send(line.toUtf8() + "\r\n");
        QVERIFY(QTest::qWaitFor([&] { return form->Text2->length() == line.size() + 2; }));
        QCOMPARE(form->Text2->text(), line + u"\r\n");
        QCOMPARE(form->Text2->document().displayText(0), line);

        // A host name with markup in it shows as typed in the status line.
        main.trigger("mnuDis");
        const QString host = u"<b>bold</b><img src=file:///etc/passwd>"_s;
        main.startConnect(host);
        QVERIFY(main.waitForState(Winsock::sckError, 30000));
        QCOMPARE(main.statusLine()->textFormat(), Qt::PlainText);
        QVERIFY2(main.statusLine()->text().contains(host), qPrintable(form->statusText()));
    }
};

QTEST_MAIN(tst_HostileInput)
#include "tst_hostileinput.moc"
