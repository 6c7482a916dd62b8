#include "connecttest.h"

#include <QLineEdit>
#include <QMenu>

#include <memory>

using namespace Qt::StringLiterals;

// Gateway of these tests: 127.0.0.25.
class tst_Shortcuts : public QObject {
    Q_OBJECT

    std::unique_ptr<Form1> form;

private Q_SLOTS:
    void init() { form = std::make_unique<Form1>(); }
    void cleanup() { form.reset(); }

    void menuInOrder() {
        QStringList names;
        const auto actions = form->findChild<QMenu *>(u"mnuChatComm"_s)->actions();
        for (const QAction *action : actions)
            names.append(action->objectName());
        QCOMPARE(names.join(u' '), u"mnuAway mnuDND mnuSquelch mnuUnsquelch mnuJoin mnuFind "
                                   u"mnuList mnuLine3 mnuKick mnuBan mnuUnban mnuDesignate"_s);
    }

    void literalReplacesTypedText_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("literal");
        const char *rows[][2] = {{"mnuAway", "/away "},
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
        for (const auto &row : rows)
            QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
    }
    void literalReplacesTypedText() {
        QFETCH(QString, item);
        QFETCH(QString, literal);
        typeText(form->Text1, u"half a message"_s);
        choose(form.get(), item.toLatin1().constData());
        QCOMPARE(form->Text1->text(), literal);
        choose(form.get(), item.toLatin1().constData());
        QCOMPARE(form->Text1->text(), literal);
    }

    void literalSentUnchanged() {
        FakeGateway gateway(u"127.0.0.25"_s);
        QVERIFY(connectTo(form.get(), gateway));
        choose(form.get(), "mnuAway");
        choose(form.get(), "mnuDND");
        QTest::keyClick(form->Text1, Qt::Key_Return);
        QVERIFY(gateway.waitForBytes(7));
        QCOMPARE(gateway.received(), "/DND \r\n"_ba);
    }
};

QTEST_MAIN(tst_Shortcuts)
#include "tst_shortcuts.moc"
