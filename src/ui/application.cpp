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
#ifdef Q_OS_WIN
    // Windows draws every program's menus in the system's menu font, whatever the font of its
    // windows; Qt has given the menus that font, and the window font below would replace it.
    const QFont menuFont = QApplication::font("QMenu");
    const QFont menuBarFont = QApplication::font("QMenuBar");
    QApplication::setFont(windowFont());
    QApplication::setFont(menuFont, "QMenu");
    QApplication::setFont(menuBarFont, "QMenuBar");
#else
    QApplication::setFont(windowFont());
#endif
    // endProgramWithLastWindow() decides when the program ends; Qt's own rule would leave
    // tool windows out of the count.
    QApplication::setQuitOnLastWindowClosed(false);
}
