#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>

class QVariantAnimation;

// The drawer's opening and closing, as AppKit animates a frame change: 0.2 s, eased in and
// out, the window's top edge fixed unless the grown window would leave the screen's free
// area (drawerToggledGeometry decides where it goes). A toggle while the window moves
// reverses the move once it has ended, so two toggles always give the starting frame back
// and a third within one move is one more.
class DrawerMotion : public QObject
{
    Q_OBJECT
public:
    using FrameSetter = std::function<void(const QRect &)>;
    // Each step of the move goes to `setFrame`, which applies it to `window`.
    DrawerMotion(QWidget *window, FrameSetter setFrame, QObject *parent);

    bool isOpen() const { return open; }
    bool isMoving() const;
    void toggle();

signals:
    void moveStarted(bool opening);
    void moveFinished(bool open);

private:
    void finished();

    QPointer<QWidget> window;
    QVariantAnimation *animation;
    bool open = false;
    bool toggleWaiting = false;
    int raisedOnOpen = 0; // how far opening moved the window up, to undo on closing
};
