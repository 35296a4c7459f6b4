// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What can be known about a serial device before opening it: that the path exists, names a
// character device, and may be read and written by this user. Checking first gives the user a
// reason worth reading ("Permission denied (is the user in the dialout group?)") instead of
// whatever the open call happens to report.

#include <QString>

#include <optional>

struct DeviceProblem
{
    int number;     // the port error number to raise (always the invalid-port number here)
    QString reason; // the system's reason, for the one line on standard error
};

// The reason shown when the user lacks read or write access to the device.
inline const QString kNoAccessReason =
    QStringLiteral("Permission denied (is the user in the dialout group?)");

// Returns the problem that keeps the device at path from being opened, or nothing when it may be
// tried. Access is judged by the real user (access(2)), as a login user would be, so a program
// started with more rights than its user still reports what the user would see.
std::optional<DeviceProblem> checkDeviceAccess(const QString& path);
