#pragma once

#include <QWidget>

// The settings drawer: a dark strip with a faint light line along its top edge.
class DrawerView : public QWidget
{
    Q_OBJECT
public:
    explicit DrawerView(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
