// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/link/PortMap.h"

#include "core/SettingsStore.h"

namespace {
constexpr int kPortsPerFamily = 32;
struct DeviceFamily {
    int firstNumber;
    const char* prefix;
};
constexpr DeviceFamily kFamilies[] = {
    {1, "/dev/ttyS"},
    {33, "/dev/ttyUSB"},
    {65, "/dev/ttyACM"},
};
} // namespace

QString PortMap::defaultDevicePath(int portNumber)
{
    for (const DeviceFamily& family : kFamilies) {
        const int offset = portNumber - family.firstNumber;
        if (offset >= 0 && offset < kPortsPerFamily)
            return QString::fromLatin1(family.prefix) + QString::number(offset);
    }
    return {};
}

void PortMap::setRunOverride(int portNumber, const QString& devicePath)
{
    runOverrides_.insert(portNumber, devicePath);
}

QString PortMap::devicePath(int portNumber) const
{
    if (portNumber <= 0)
        return {};
    if (const auto it = runOverrides_.constFind(portNumber); it != runOverrides_.constEnd())
        return it.value();
    // A bare device name ("ttyUSB0") means the device of that name under /dev.
    if (const QString mapped = settingsEntry(portNumber); !mapped.isEmpty())
        return mapped.contains(QLatin1Char('/')) ? mapped : QStringLiteral("/dev/") + mapped;
    return defaultDevicePath(portNumber);
}

QString PortMap::settingsEntry(int portNumber) const
{
    if (!settings_)
        return {};
    return settings_
        ->getSetting(SettingsKeys::kApplication, SettingsKeys::kPortsSection,
                     QString::number(portNumber), QString())
        .trimmed();
}
