#include "frmchatcom.h"

frmChatCom::frmChatCom(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("frmChatCom"));
    setWindowTitle(QStringLiteral("Battle.net Chat Commands"));
}
