#include "frmlogin.h"

frmLogin::frmLogin(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Log In"));
}
