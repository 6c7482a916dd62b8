#pragma once

#include <QWidget>

class frmHow : public QWidget {
    Q_OBJECT

public:
    explicit frmHow(QWidget *parent = nullptr);
};
