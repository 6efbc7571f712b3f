#pragma once

#include <QAbstractButton>

// A borderless button that draws only its title, in its font and ButtonText colour: no
// bezel, hover or pressed panel in any state. Only keyboard focus (it takes no click
// focus) shows a thin ring, so Tab users see where Space will act.
class TitleButton : public QAbstractButton
{
    Q_OBJECT
public:
    explicit TitleButton(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
