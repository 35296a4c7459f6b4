// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Counts event-loop passes of a counted wait from the outside: a queued call that re-posts
// itself runs once per pass and notes how many writes the port has seen by then, so the passes
// between two writes can be read off afterwards.

#include "support/FakeComm.h"

#include <QList>
#include <QMetaObject>
#include <QObject>

class PassProbe : public QObject
{
public:
    explicit PassProbe(const FakeComm& comm) : comm_(comm) {}

    void start()
    {
        running_ = true;
        post();
    }
    void stop() { running_ = false; }

    // Passes that ran while exactly `writes` writes had been made.
    int passesAfterWrite(int writes) const { return static_cast<int>(seen_.count(writes)); }

private:
    void post()
    {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!running_)
                    return;
                seen_ << static_cast<int>(comm_.writes.size());
                post();
            },
            Qt::QueuedConnection);
    }

    const FakeComm& comm_;
    bool running_ = false;
    QList<int> seen_;
};
