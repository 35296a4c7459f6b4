// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small checks shared by the scope and PID tests: the command lines as FakeComm logs them and the
// receive profile the port holds. What the scope shows is read from the fixture's ShownRecord.

#include "core/Core.h"
#include "core/link/Comm.h"
#include "core/link/Link.h"

#include <QString>
#include <QStringList>

namespace ScopeChecks {

// The lines as the chip receives them, written out so that a wrong command constant fails.
inline const QByteArray kTimingQueryLine = "J1100\r";
inline const QByteArray kScopeStartLine = "J1000\r";
inline const QByteArray kStopLine = "q\r";
inline const QByteArray kTriggerOnLine = "J1001\r";
inline const QByteArray kTriggerOffLine = "J1002\r";
inline const QByteArray kTimingReplyDigit4 = "J11004\r"; // timeGrid 1.909
inline const QString kOpenPort1 = QStringLiteral("open 1");
inline const QString kClose = QStringLiteral("close");

// The log entry of a write.
inline QString writeOf(const QByteArray& line)
{
    return QStringLiteral("write ") + QString::fromLatin1(line);
}

inline bool profileIs(const Comm& comm, const ReceiveProfile& profile)
{
    return comm.rThreshold() == profile.threshold && comm.inputLen() == profile.readLength &&
           comm.nullDiscard() == profile.discardNulls;
}

// The marker readouts MX(2)-MX(4): start, end and width.
inline QStringList markerReadouts(const Core& core)
{
    return {core.readout(Readout::MarkerStart), core.readout(Readout::MarkerEnd),
            core.readout(Readout::MarkerWidth)};
}
inline const QStringList kNoMarkerReadouts{QString(), QString(), QString()};

} // namespace ScopeChecks
