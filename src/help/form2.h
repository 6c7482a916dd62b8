#pragma once

#include <QWidget>

class Form2 : public QWidget {
    Q_OBJECT

public:
    explicit Form2(QWidget *parent = nullptr);
};
