// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Counts how often a receive handler yields to the event loop while it runs.

#include "support/CoreFixture.h"

#include <QAbstractEventDispatcher>
#include <QObject>

// Counts the passes of the event loop made while the receive handler runs, i.e. how often the
// handler yielded. Every pass wakes the event dispatcher once; the pass that delivers the event
// is the first.
struct YieldProbe
{
    explicit YieldProbe(CoreFixture& f)
    {
        // Connected after the window's own wiring, so this runs once the dispatcher returned.
        QObject::connect(&f.comm, &Comm::onComm, &f.core, [this] { handlerReturned = true; });
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                         &f.core, [this] {
                             if (armed && !handlerReturned)
                                 ++passes;
                         });
    }
    // Call right after the bytes or the line event were handed to the port.
    void arm() { armed = true; }
    int yields() const { return passes - 1; }

    bool armed = false;
    bool handlerReturned = false;
    int passes = 0;
};
