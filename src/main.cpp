#include "ui/look.h"
#include "ui/main/form1.h"
#include "ui/singlewindow.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brackmoor Chat"));
    QApplication::setApplicationVersion(QStringLiteral("3.05"));
    // Ties the windows to the installed launcher and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.BrackmoorChat"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.example.BrackmoorChat")));
    QApplication::setFont(windowFont());
    // The program ends when its last window, tool windows included, is gone.
    QApplication::setQuitOnLastWindowClosed(false);

    auto *form1 = new Form1; // owns itself: destroyed when the user closes it
    form1->setAttribute(Qt::WA_DeleteOnClose);
    endProgramWithLastWindow(form1);
    centreOnScreen(form1);
    form1->show();

    const int status = QApplication::exec();
    destroyRemainingWindows();
    return status;
}
