#include "help/form2.h"
#include "help/frmchatcom.h"
#include "help/frmhow.h"
#include "help/frmsystem.h"

#include <QScreen>
#include <QTest>

// The help windows need nothing above them: this program links the help library alone, so a
// help window that reached back up to the main window would not link. Each opens with no main
// window; "How do I...." opens centred on its owner, or on the screen.
class TestHelpAlone : public QObject {
    Q_OBJECT

    static bool centredOn(const QWidget &window, const QRect &area) {
        const QPoint offset = window.frameGeometry().center() - area.center();
        return offset.manhattanLength() <= 4; // the frame is drawn only once it is shown
    }

private Q_SLOTS:
    void opensWithoutTheMainWindow() {
        QWidget owner;
        owner.setGeometry(40, 60, 700, 500);
        frmHow owned(&owner);
        frmHow alone(nullptr);
        frmChatCom commands;
        Form2 about;
        frmSystem system;
        for (QWidget *window :
             std::initializer_list<QWidget *>{&owner, &owned, &alone, &commands, &about, &system}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
        }
        QVERIFY(centredOn(owned, owner.frameGeometry()));
        QVERIFY(centredOn(alone, alone.screen()->availableGeometry()));
    }
};

QTEST_MAIN(TestHelpAlone)
#include "tst_helpalone.moc"
