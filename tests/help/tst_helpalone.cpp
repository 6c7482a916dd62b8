#include "help/form2.h"
#include "help/frmchatcom.h"
#include "help/frmhow.h"
#include "help/frmsystem.h"

#include <QScreen>
#include <QTest>

// The help windows need nothing above them: this program links the help library alone, so a
// help window that reached back up to the main window would not link. Each opens and works
// with no main window; "How do I...." opens centred on its owner, or on the screen.
class TestHelpAlone : public QObject {
    Q_OBJECT

    static bool centredOn(const QWidget &window, const QRect &area) {
        const QPoint offset = window.frameGeometry().center() - area.center();
        return offset.manhattanLength() <= 4; // the frame is drawn only once it is shown
    }

private Q_SLOTS:
    void howCentresOnItsOwnerOrTheScreen() {
        QWidget owner;
        owner.setGeometry(40, 60, 700, 500);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
        frmHow owned(&owner);
        owned.show();
        QVERIFY(centredOn(owned, owner.frameGeometry()));

        frmHow alone(nullptr);
        alone.show();
        QVERIFY(centredOn(alone, alone.screen()->availableGeometry()));
    }

    void everyWindowOpensWithoutTheMainWindow() {
        frmChatCom commands;
        Form2 about;
        frmSystem system;
        for (QWidget *window : {static_cast<QWidget *>(&commands), static_cast<QWidget *>(&about),
                                static_cast<QWidget *>(&system)}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QVERIFY(window->close());
        }
    }
};

QTEST_MAIN(TestHelpAlone)
#include "tst_helpalone.moc"
