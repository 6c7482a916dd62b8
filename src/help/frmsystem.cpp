#include "frmsystem.h"

frmSystem::frmSystem(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmSystem"));
    setWindowTitle(QStringLiteral("System Requirements"));
}
