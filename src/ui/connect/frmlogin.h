#pragma once

#include <QWidget>

class frmLogin : public QWidget {
    Q_OBJECT

public:
    explicit frmLogin(QWidget *parent = nullptr);
};
