#include "app/hovertip.h"

#include "app/jobpool.h"

#include <QEvent>
#include <QHelpEvent>
#include <QToolTip>

namespace {
// A reading is used again, without reading the system anew, while younger than this.
constexpr int freshMs = 3000;
} // namespace

HoverTip::HoverTip(const QList<QWidget *> &watched, Reader read, JobPool *jobs) : QObject(jobs), jobs(jobs), read(std::move(read))
{
    for (QWidget *line : watched)
        line->installEventFilter(this);
}

bool HoverTip::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Leave) {
        hoverAt.reset();
    } else if (event->type() == QEvent::ToolTip) {
        hoverAt = {static_cast<QHelpEvent *>(event)->globalPos(), qobject_cast<QWidget *>(watched)};
        show();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void HoverTip::show()
{
    if (!active || !fixed.isEmpty())
        return showText(active ? fixed : QString());
    if (readAt.isValid() && readAt.elapsed() < freshMs)
        return showText(readText);
    if (reading)
        return;
    reading = true;
    jobs->run(read, [this](const QString &text) {
        reading = false;
        readText = text;
        readAt.start();
        if (hoverAt)
            show();
    });
}

void HoverTip::showText(const QString &text)
{
    if (text.isEmpty())
        QToolTip::hideText();
    else if (hoverAt->second)
        QToolTip::showText(hoverAt->first, text, hoverAt->second);
}
