#pragma once

#include <QWidget>

class frmChatCom : public QWidget {
    Q_OBJECT

public:
    explicit frmChatCom(QWidget *parent = nullptr);
};
