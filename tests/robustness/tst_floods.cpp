#include "fixture.h"
#include "probes.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// Big arrivals through the real socket into the main window: a megabyte line with no line
// ending in kilobyte pieces, and tens of megabytes of chat lines as fast as loopback carries
// them. Every byte must be in the transcript, in order, and memory stay in proportion to the
// text; the event loop's longest stall is printed (the speed figures are the benchmark's).
// The window must never freeze: a stall of seconds fails (the 10 ms timer's lateness target
// is the benchmark's). The gateway listens on 127.0.0.61.
class tst_Floods : public QObject {
    Q_OBJECT

    std::unique_ptr<Form1> form;
    MainWindowDriver main{nullptr};

    static constexpr qint64 kFrozenMs = 2000;

    static void report(const char *what, const TimerProbe &probe, int arrivals) {
        qInfo("%s: %d arrivals, 10 ms timer ticked %d times, longest gap %lld ms", what, arrivals,
              probe.ticks(), probe.worstGapMs());
    }

private Q_SLOTS:
    void init() {
        form = std::make_unique<Form1>();
        main.form = form.get();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }
    void cleanup() { form.reset(); }

    void megabyteLineInKilobytePieces() {
        // Three-byte characters among the letters, so that pieces also end inside one.
        QByteArray line;
        while (line.size() < 1024 * 1024)
            line += "chat \xe2\x82\xac" + QByteArray::number(line.size(), 36) + ' ';
        line.truncate(1024 * 1024);
        const QString expected = decodeWhole(line, false);

        FakeGateway gateway(u"127.0.0.61"_s);
        main.trigger("mnuClear");
        QVERIFY(main.connectTo(gateway));
        int arrivals = 0;
        connect(form->Winsock1, &Winsock::DataArrival, this, [&arrivals] { ++arrivals; });

        // One kilobyte each time the event loop comes round.
        qsizetype sent = 0;
        QTimer feeder;
        feeder.setInterval(0);
        connect(&feeder, &QTimer::timeout, this, [&] {
            gateway.send(line.mid(sent, 1024));
            sent += 1024;
            if (sent >= line.size())
                feeder.stop();
        });
        TimerProbe probe;
        probe.start();
        feeder.start();
        QVERIFY(spinUntil([&] { return form->Text2->length() >= expected.size(); }, 60000));
        probe.stop();
        report("1 MB line", probe, arrivals);
        QVERIFY2(probe.worstGapMs() < kFrozenMs, "the event loop stood still");

        QCOMPARE(form->Text2->length(), expected.size());
        QVERIFY(form->Text2->text() == expected);
        QCOMPARE(form->Text2->selectionStart(), expected.size());
        // One line in the text; only the display cuts it into pieces.
        const TranscriptDocument &document = form->Text2->document();
        QVERIFY(!document.text().contains(u"\r\n"));
        QVERIFY(document.lineCount() >= expected.size() / TranscriptDocument::maxPieceLength());
        for (qsizetype i = 0; i < document.lineCount(); ++i)
            QVERIFY(document.lineEnd(i) - document.lineStart(i) <=
                    TranscriptDocument::maxPieceLength());
    }

    void floodOfLines_data() {
        QTest::addColumn<bool>("empty");
        QTest::newRow("32 MB of chat lines") << false;
        QTest::newRow("8 MB of empty lines") << true;
    }
    void floodOfLines() {
        QFETCH(bool, empty);
        const qsizetype floodSize = (empty ? 8 : 32) * 1024 * 1024;
        QByteArray flood;
        flood.reserve(floodSize + 128);
        if (empty)
            flood = QByteArray("\r\n").repeated(floodSize / 2);
        for (int i = 0; flood.size() < floodSize; ++i)
            flood += "1005 TALK user" + QByteArray::number(i % 97) + " 0010 \"line " +
                     QByteArray::number(i) + " of the flood, ordinary chat text\"\r\n";
        const qsizetype lines = flood.count("\r\n") + 1;

        FakeGateway gateway(u"127.0.0.61"_s);
        main.trigger("mnuClear");
        QVERIFY(main.connectTo(gateway));
        int arrivals = 0;
        connect(form->Winsock1, &Winsock::DataArrival, this, [&arrivals] { ++arrivals; });
        const qint64 residentBefore = residentBytes();

        // Keep the gateway's send queue topped up, as fast as the client takes it.
        QTcpSocket *peer = gateway.client();
        qsizetype sent = 0;
        const auto topUp = [&] {
            while (sent < flood.size() && peer->bytesToWrite() < 1024 * 1024) {
                const qsizetype n = qMin<qsizetype>(256 * 1024, flood.size() - sent);
                peer->write(flood.constData() + sent, n);
                sent += n;
            }
        };
        connect(peer, &QTcpSocket::bytesWritten, this, topUp);
        TimerProbe probe;
        probe.start();
        topUp();
        QVERIFY(spinUntil([&] { return form->Text2->length() >= flood.size(); }, 100000));
        probe.stop();
        report(QTest::currentDataTag(), probe, arrivals);
        QVERIFY2(probe.worstGapMs() < kFrozenMs, "the event loop stood still");
        const qint64 residentGrowth = residentBytes() - residentBefore;
        qInfo("resident memory grew by %lld MB for %lld MB received in %lld lines",
              residentGrowth >> 20, flood.size() >> 20, lines);

        QCOMPARE(form->Text2->length(), flood.size());
        QVERIFY(form->Text2->text() == QLatin1StringView(flood));
        QCOMPARE(form->Text2->document().lineCount(), lines);
        QCOMPARE(form->Text2->selectionStart(), flood.size());
#if defined(__SANITIZE_ADDRESS__)
        qInfo("memory bound not checked: AddressSanitizer keeps freed blocks in quarantine");
#else
        // What the transcript holds: two bytes a character and the start of every line. Room
        // to grow and the rest of the program come on top.
        const qint64 held = 2 * flood.size() + qint64(sizeof(qsizetype)) * lines;
        QVERIFY2(
            residentGrowth < 3 * held + (16 << 20),
            qPrintable(u"resident memory grew by %1 MB to hold %2 MB"_s.arg(residentGrowth >> 20)
                           .arg(held >> 20)));
#endif
    }
};

QTEST_MAIN(tst_Floods)
#include "tst_floods.moc"
