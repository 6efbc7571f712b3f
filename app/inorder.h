#pragma once

#include <QList>

#include <functional>
#include <utility>

// Values handled one at a time, in the order they came (the settings clicked, each stored
// and followed before the next): the first starts at once, each next one when the one
// before it has finished.
template <typename T>
class InOrder
{
public:
    explicit InOrder(std::function<void(const T &)> start) : start(std::move(start)) {}

    void add(const T &value)
    {
        waiting.append(value);
        if (waiting.size() == 1)
            start(value);
    }
    // The first has finished: the next, if any, starts.
    void finished()
    {
        waiting.removeFirst();
        if (!waiting.isEmpty())
            start(waiting.first());
    }
    bool isEmpty() const { return waiting.isEmpty(); }

private:
    std::function<void(const T &)> start;
    QList<T> waiting; // the first is under way
};
