#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class JobPool;

// The tooltip of a line whose text must be read from the system (the processes that
// match, what the guard stopped): read when the pointer rests on the line, never before,
// and off the main thread. A reading younger than a few seconds is shown at once; an older
// one is read again and shown if the pointer is still there. An empty reading shows none.
class HoverTip : public QObject
{
    Q_OBJECT
public:
    using Reader = std::function<QString()>; // runs on a thread of `jobs`
    HoverTip(const QList<QWidget *> &lines, Reader read, JobPool *jobs);

    // Shown instead of any reading while set (what the last kill stopped); empty: read.
    void setFixedText(const QString &text) { fixed = text; }
    const QString &fixedText() const { return fixed; }
    // Off: the lines show no tooltip and nothing is read (the guard is off).
    void setActive(bool on) { active = on; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void show();
    JobPool *jobs;
    void showText(const QString &text);

    Reader read;
    QString fixed;
    bool active = true;
    std::optional<std::pair<QPoint, QPointer<QWidget>>> hoverAt; // where the pointer rests, and on which line
    bool reading = false;
    QString readText;
    QElapsedTimer readAt;
};
