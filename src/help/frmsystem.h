#pragma once

#include <QWidget>

class frmSystem : public QWidget {
    Q_OBJECT

public:
    explicit frmSystem(QWidget *parent = nullptr);
};
