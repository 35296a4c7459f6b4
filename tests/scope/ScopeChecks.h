#pragma once
// Small checks shared by the scope and PID tests: the command lines as FakeComm logs them, the
// receive profile the port holds, and whether anything is drawn on the scope surface.

#include "core/link/ChipCommands.h"
#include "core/link/Comm.h"
#include "core/link/Link.h"
#include "picture/ScopePicture.h"

#include <QString>

namespace ScopeChecks {

inline const QByteArray kTimingQueryLine = ChipCommand::kTimingQuery + '\r';
inline const QByteArray kScopeStartLine = ChipCommand::kScopeStart + '\r';
inline const QByteArray kStopLine = ChipCommand::kStop + '\r';
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

// True when the drawing layer holds nothing: the surface shows its background alone.
inline bool layerEmpty(const ScopePicture& picture)
{
    const QImage& layer = picture.drawingLayer();
    for (int y = 0; y < layer.height(); ++y)
        for (int x = 0; x < layer.width(); ++x)
            if (qAlpha(layer.pixel(x, y)) != 0)
                return false;
    return true;
}

} // namespace ScopeChecks
