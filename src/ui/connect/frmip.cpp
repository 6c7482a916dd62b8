#include "frmip.h"

frmIP::frmIP(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmIP"));
    setWindowTitle(QStringLiteral("Your IP"));
}
