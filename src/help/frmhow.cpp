#include "frmhow.h"

frmHow::frmHow(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmHow"));
    setWindowTitle(QStringLiteral("How do I...."));
}
