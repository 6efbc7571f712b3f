#pragma once

#include <QPointer>
#include <QWidget>

// The window's body: a near-black casing with a yellow housing near its top, outlined and
// fastened by four screws. Repaints its whole bounds from its size alone.
class CasingView : public QWidget
{
    Q_OBJECT
public:
    explicit CasingView(QWidget *parent = nullptr);

    // The child that stays on the bottom edge at full width when the casing resizes (the
    // drawer); every other child keeps its distance from the top edge.
    void pinToBottom(QWidget *child);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QPointer<QWidget> pinned;
};
