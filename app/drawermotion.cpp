#include "app/drawermotion.h"

#include "app/presentation.h"

#include <QScreen>
#include <QVariantAnimation>

#include <utility>

DrawerMotion::DrawerMotion(QWidget *window, FrameSetter setFrame, QObject *parent)
    : QObject(parent), window(window), animation(new QVariantAnimation(this))
{
    animation->setDuration(200);
    animation->setEasingCurve(QEasingCurve::InOutQuad); // as a native resize
    connect(animation, &QVariantAnimation::valueChanged, this,
            [setFrame = std::move(setFrame)](const QVariant &frame) { setFrame(frame.toRect()); });
    connect(animation, &QVariantAnimation::finished, this, &DrawerMotion::finished);
}

bool DrawerMotion::isMoving() const
{
    return animation->state() == QAbstractAnimation::Running;
}

void DrawerMotion::toggle()
{
    if (isMoving()) {
        toggleWaiting = !toggleWaiting;
        return;
    }
    open = !open;
    // The screen's free area as the window's content may use it, frame excluded.
    const QRect frame = window->frameGeometry(), inner = window->geometry();
    QRect available = window->screen()->availableGeometry();
    available.adjust(inner.left() - frame.left(), inner.top() - frame.top(), inner.right() - frame.right(),
                     inner.bottom() - frame.bottom());
    const QRect geometry = drawerToggledGeometry(inner, open, available, raisedOnOpen);
    raisedOnOpen = open ? inner.top() - geometry.top() : 0;
    emit moveStarted(open);
    animation->setStartValue(inner);
    animation->setEndValue(geometry);
    animation->start();
}

void DrawerMotion::finished()
{
    emit moveFinished(open);
    if (std::exchange(toggleWaiting, false))
        toggle();
}
