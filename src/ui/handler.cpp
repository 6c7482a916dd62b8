#include "handler.h"

#include "ui/main/form1.h"

#include <QMessageBox>

void reportSocketFailure(const SocketError &error) {
    // The main window's status line is the place for it; without the main window there is
    // no status line, so a message box says it instead.
    if (Form1 *form = Form1::instance()) {
        form->reportFailure(error.message());
        return;
    }
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Brackmoor Chat"), error.message(),
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
