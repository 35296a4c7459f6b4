// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/link/DeviceAccess.h"

#include "core/link/CommError.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString kNotADevice = QStringLiteral("Not a serial device");

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}
} // namespace

std::optional<DeviceProblem> checkDeviceAccess(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);

    struct stat info
    {
    };
    if (::stat(native.constData(), &info) != 0) // follows links: a dangling link is missing too
        return DeviceProblem{CommErrorNumber::InvalidPort, systemReason(errno)};
    // A regular file or a folder in the port map is a slip of the pen, not a device.
    if (!S_ISCHR(info.st_mode))
        return DeviceProblem{CommErrorNumber::InvalidPort, kNotADevice};

    if (::access(native.constData(), R_OK | W_OK) != 0) {
        const int error = errno;
        if (error == EACCES || error == EPERM)
            return DeviceProblem{CommErrorNumber::InvalidPort, kNoAccessReason};
        return DeviceProblem{CommErrorNumber::InvalidPort, systemReason(error)};
    }
    return std::nullopt;
}
