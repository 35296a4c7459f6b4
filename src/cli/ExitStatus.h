// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command-line program's exit statuses, and which one a port failure of the core gives.

#include "core/Core.h"

namespace ExitStatus {
constexpr int kDone = 0;
constexpr int kUsage = 2;     // bad options or arguments
constexpr int kNoAccess = 3;  // invalid port number, no device, or no access (8002)
constexpr int kPortBusy = 4;  // held by another program (8005)
constexpr int kIoFailure = 5; // the device was lost, or a read, write or file failed
constexpr int kNoAnswer = 6;  // the chip did not answer where an answer was needed
constexpr int kFailed = 7;    // a run's figures met a --fail-if condition

// The status for a port error number as the core reports it.
constexpr int forPortError(int number)
{
    switch (number) {
    case Core::kInvalidPortError:
        return kNoAccess;
    case Core::kPortInUseError:
        return kPortBusy;
    default:
        return kIoFailure; // 8015, 8018, 8020: the line failed under us
    }
}
} // namespace ExitStatus
