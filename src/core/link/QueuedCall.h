// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A call queued to run on the receiver's thread once control is back in the event loop, as the
// port's events and the reports of a lost device are.

#include <QMetaObject>
#include <QObject>

#include <utility>

// The static analyser reports a leak inside Qt's invokeMethod that is none: it takes a function
// of a system header to free nothing, but Qt owns the slot object and deletes it. The call is
// hidden from the analyser alone, its one way of silencing that report at the line.
template <typename Call>
void queueCall(QObject* receiver, Call call)
{
#ifndef __clang_analyzer__
    QMetaObject::invokeMethod(receiver, std::move(call), Qt::QueuedConnection);
#else
    (void)receiver;
    (void)call;
#endif
}
