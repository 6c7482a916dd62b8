#include "ui/connect/windowbutton.h"

#include <QPushButton>

QPushButton *addButton(QWidget *parent, const char *name, const QString &caption,
                       const QRect &geometry) {
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setAutoDefault(true);
    return button;
}
