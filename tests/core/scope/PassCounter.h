// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Counts the passes of a counted wait: a queued call that posts itself again each time it runs
// runs once in every pass of the event loop, since a pass does not deliver the calls posted
// while it runs.

#include <QMetaObject>
#include <QObject>

#include <functional>

class PassCounter
{
public:
    // Counting begins with the next pass and ends at the first pass in which stopWhen() holds;
    // that pass is not counted. Start it from inside a handler (e.g. FakeComm::onWrite) to count
    // the handler's wait.
    void start(std::function<bool()> stopWhen)
    {
        stopWhen_ = std::move(stopWhen);
        count_ = 0;
        running_ = true;
        post();
    }
    int count() const { return count_; }
    bool running() const { return running_; }

private:
    void post()
    {
        QMetaObject::invokeMethod(
            &context_, [this] { tick(); }, Qt::QueuedConnection);
    }
    void tick()
    {
        if (!running_)
            return;
        if (stopWhen_()) {
            running_ = false;
            return;
        }
        ++count_;
        post();
    }

    QObject context_;
    std::function<bool()> stopWhen_;
    int count_ = 0;
    bool running_ = false;
};
