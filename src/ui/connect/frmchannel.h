#pragma once

#include <QWidget>

class frmChannel : public QWidget {
    Q_OBJECT

public:
    explicit frmChannel(QWidget *parent = nullptr);
};
