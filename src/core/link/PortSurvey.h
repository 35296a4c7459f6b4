// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which port numbers reach which devices, and what stands in the way of each, found without
// opening any of them: an open raises a serial line's DTR and RTS, which resets some boards.
// What the system knows of a device comes from QSerialPortInfo (udev and sysfs), access from
// access(2), and other programs holding it from their lock files and their open files in /proc.

#include <QList>
#include <QString>

#include <optional>

class PortMap;

struct PortHolder
{
    qint64 pid = 0;
    QString program; // the process's name, or the lock file's application
};

struct SurveyedPort
{
    int number = 0;
    QString device;
    bool fromSettings = false; // mapped in [Ports], not by the default table
    bool stored = false;       // the stored port choice
    bool exists = false;
    // Empty when this user may read and write it; otherwise the system's reason.
    QString accessProblem;
    // What QSerialPortInfo tells of it; empty texts and no ids where it knows nothing.
    std::optional<quint16> vendorId;
    std::optional<quint16> productId;
    QString manufacturer;
    QString serialNumber;
    QString description;
    QList<PortHolder> holders; // other programs that have it open or locked
};

namespace PortSurvey {
// Every number 1-255 mapped in [Ports], every number whose default device exists, and the
// stored choice (`storedNumber`, 0 for none) even when its device is missing; in number order.
QList<SurveyedPort> survey(const PortMap& map, int storedNumber);
// The other programs that have the device open or locked.
QList<PortHolder> holdersOf(const QString& device);
// "held by process 4711 (minicom), process 4712 (cat)"
QString heldByText(const QList<PortHolder>& holders);
} // namespace PortSurvey
