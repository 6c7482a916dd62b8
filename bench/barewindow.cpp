// The reference for start-up: a bare Qt main window of the main window's size, with nothing
// in it, started and shown the plainest way.

#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare Qt main window"));
    window.resize(668, 460);
    window.show();
    return QApplication::exec();
}
