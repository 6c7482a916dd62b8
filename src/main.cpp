#include "ui/application.h"
#include "ui/main/form1.h"
#include "widgets/singlewindow.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    setUpApplication();

    auto *form1 = new Form1; // owns itself: destroyed when the user closes it
    form1->setAttribute(Qt::WA_DeleteOnClose);
    endProgramWithLastWindow(form1);
    centreOnScreen(form1);
    form1->show();

    const int status = QApplication::exec();
    destroyRemainingWindows();
    return status;
}
