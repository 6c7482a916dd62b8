#pragma once

#include <QWidget>

class frmIP : public QWidget {
    Q_OBJECT

public:
    explicit frmIP(QWidget *parent = nullptr);
};
