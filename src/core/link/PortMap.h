// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which device a port number reaches: the [Ports] section of the settings first (3=/dev/ttyUSB0),
// then the defaults 1-32 /dev/ttyS0-31, 33-64 /dev/ttyUSB0-31, 65-96 /dev/ttyACM0-31; numbers
// 97-255 have no default. A run may also map numbers for itself (the demo's simulated chip)
// without storing anything.

#include <QHash>
#include <QString>

class SettingsStore;

class PortMap {
public:
    explicit PortMap(const SettingsStore* settings = nullptr) : settings_(settings) {}

    // The device path for a port number, or an empty text when the number reaches none.
    QString devicePath(int portNumber) const;

    // Whether the [Ports] section maps the number to a device.
    bool mappedInSettings(int portNumber) const { return !settingsEntry(portNumber).isEmpty(); }

    // Maps a number for this run only.
    void setRunOverride(int portNumber, const QString& devicePath);

    static QString defaultDevicePath(int portNumber);

private:
    // The number's [Ports] entry, trimmed; empty when there is none.
    QString settingsEntry(int portNumber) const;

    const SettingsStore* settings_;
    QHash<int, QString> runOverrides_;
};
