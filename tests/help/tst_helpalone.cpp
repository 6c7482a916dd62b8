#include "help/form2.h"
#include "help/frmchatcom.h"
#include "help/frmhow.h"
#include "help/frmsystem.h"

#include <QTest>

// The help windows need nothing above them: this program links the help library alone, so a
// help window that reached back up to the main window would not link. Each opens with no main
// window; "How do I...." opens centred on the window that opened it, wherever that stands.
class TestHelpAlone : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void opensWithoutTheMainWindow() {
        QWidget owner;
        owner.setGeometry(40, 60, 700, 500);
        frmHow how(&owner);
        frmChatCom commands;
        Form2 about;
        frmSystem system;
        for (QWidget *window :
             std::initializer_list<QWidget *>{&owner, &how, &commands, &about, &system}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
        }
        const QPoint offset = how.frameGeometry().center() - owner.frameGeometry().center();
        QVERIFY(offset.manhattanLength() <= 4); // the frame is drawn only once it is shown
    }
};

QTEST_MAIN(TestHelpAlone)
#include "tst_helpalone.moc"
