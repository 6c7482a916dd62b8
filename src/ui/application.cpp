#include "ui/application.h"

#include "version.h"
#include "widgets/look.h"

#include <QApplication>
#include <QIcon>

void setUpApplication() {
    QApplication::setApplicationName(QStringLiteral("Brackmoor Chat"));
    QApplication::setApplicationVersion(QStringLiteral(BRACKMOOR_VERSION));
    // Ties the windows to the installed launcher and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.BrackmoorChat"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.example.BrackmoorChat")));
    QApplication::setFont(windowFont());
    // endProgramWithLastWindow() decides when the program ends; Qt's own rule would leave
    // tool windows out of the count.
    QApplication::setQuitOnLastWindowClosed(false);
}
