#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThreadPool>

// The window's slow work (a reading, an action, a store), each job on a thread of this
// pool's own, touching no control: its one result comes back to the main thread in a
// single queued call. `idle` is emitted once no job runs and no result waits to be
// delivered, so that tests and tools wait for the window without polling any pool.
class JobPool : public QObject
{
    Q_OBJECT
public:
    explicit JobPool(QObject *parent = nullptr) : QObject(parent)
    {
        pool.setExpiryTimeout(-1); // asleep its threads cost nothing; they would wake after 30 s to end
    }
    // A job still running posts its result to this object: waited for, so that the post
    // reaches a live object and is then dropped with it.
    ~JobPool() override { pool.waitForDone(); }

    // `done(result)` runs on this object's thread; it may start more jobs.
    template <typename Work, typename Done>
    void run(Work work, Done done)
    {
        ++unfinished;
        pool.start([this, work, done] {
            auto result = work();
            QMetaObject::invokeMethod(
                this,
                [this, done, result] {
                    done(result);
                    if (--unfinished == 0)
                        emit idle();
                },
                Qt::QueuedConnection);
        });
    }
    bool isIdle() const { return unfinished == 0; }
    void waitForDone() { pool.waitForDone(); }

signals:
    void idle();

private:
    QThreadPool pool;
    int unfinished = 0; // started, and their result not yet delivered
};
