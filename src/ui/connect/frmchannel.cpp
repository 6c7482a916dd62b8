#include "frmchannel.h"

frmChannel::frmChannel(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmChannel"));
    setWindowTitle(QStringLiteral("Join Channel..."));
}
