// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/link/PortSurvey.h"

#include "core/link/DeviceAccess.h"
#include "core/link/PortMap.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSerialPortInfo>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kFirstPort = 1;
constexpr int kLastPort = 255;
const QString kDevPrefix = QStringLiteral("/dev/");
const QString kLockPrefix = QStringLiteral("LCK..");
const QString kProcFolder = QStringLiteral("/proc");
const QString kHeldBy = QStringLiteral("held by %1");
const QString kProcess = QStringLiteral("process %1 (%2)");

// Where QSerialPort leaves its lock files (the first folder that suits wins when it locks; any
// of them may hold one left by another program).
QStringList lockFolders()
{
    return {QStringLiteral("/var/lock"), QStringLiteral("/etc/locks"),
            QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"),
            QStandardPaths::writableLocation(QStandardPaths::TempLocation)};
}

// The lock file's name for a device path: the path without /dev/, slashes as underscores.
QString lockName(const QString& device)
{
    QString name = device.startsWith(kDevPrefix) ? device.mid(kDevPrefix.size()) : device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return kLockPrefix + name;
}

bool processAlive(qint64 pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

void addHolder(QList<PortHolder>& holders, PortHolder holder)
{
    for (const PortHolder& known : holders) {
        if (known.pid == holder.pid)
            return;
    }
    holders.append(std::move(holder));
}

// Lock files read as they are, never taken: a live process's lock means it holds the port.
void addLockHolders(const QStringList& names, QList<PortHolder>& holders)
{
    for (const QString& folder : lockFolders()) {
        for (const QString& device : names) {
            const QString path = folder + QLatin1Char('/') + lockName(device);
            if (!QFileInfo::exists(path))
                continue;
            qint64 pid = 0;
            QString host;
            QString application;
            if (QLockFile(path).getLockInfo(&pid, &host, &application) && processAlive(pid))
                addHolder(holders, {pid, application});
        }
    }
}

// Processes with the device open, as far as this user may look into them.
void addOpenFileHolders(dev_t device, QList<PortHolder>& holders)
{
    const qint64 self = QCoreApplication::applicationPid();
    const QStringList processes = QDir(kProcFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& process : processes) {
        bool isPid = false;
        const qint64 pid = process.toLongLong(&isPid);
        if (!isPid || pid == self)
            continue;
        const QString fdFolder = kProcFolder + QLatin1Char('/') + process + QStringLiteral("/fd");
        for (const QString& fd :
             QDir(fdFolder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            struct stat info
            {
            };
            const QByteArray path = QFile::encodeName(fdFolder + QLatin1Char('/') + fd);
            if (::stat(path.constData(), &info) == 0 && S_ISCHR(info.st_mode) &&
                info.st_rdev == device) {
                QFile comm(kProcFolder + QLatin1Char('/') + process + QStringLiteral("/comm"));
                const QString name = comm.open(QIODevice::ReadOnly)
                                         ? QString::fromLocal8Bit(comm.readAll()).trimmed()
                                         : QString();
                addHolder(holders, {pid, name});
                break;
            }
        }
    }
}

void describeFromSystem(SurveyedPort& port, const QString& canonical,
                        const QList<QSerialPortInfo>& known)
{
    for (const QSerialPortInfo& info : known) {
        if (info.systemLocation() != port.device && info.systemLocation() != canonical)
            continue;
        if (info.hasVendorIdentifier())
            port.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            port.productId = info.productIdentifier();
        port.manufacturer = info.manufacturer();
        port.serialNumber = info.serialNumber();
        port.description = info.description();
        return;
    }
}

SurveyedPort surveyOne(int number, const QString& device, bool fromSettings,
                       const QList<QSerialPortInfo>& known)
{
    SurveyedPort port;
    port.number = number;
    port.device = device;
    port.fromSettings = fromSettings;
    struct stat info
    {
    };
    port.exists = ::stat(QFile::encodeName(device).constData(), &info) == 0;
    if (const std::optional<DeviceProblem> problem = checkDeviceAccess(device))
        port.accessProblem = problem->reason;
    if (!port.exists)
        return port;
    describeFromSystem(port, QFileInfo(device).canonicalFilePath(), known);
    port.holders = PortSurvey::holdersOf(device);
    return port;
}
} // namespace

QList<SurveyedPort> PortSurvey::survey(const PortMap& map, int storedNumber)
{
    const QList<QSerialPortInfo> known = QSerialPortInfo::availablePorts();
    QList<SurveyedPort> ports;
    for (int number = kFirstPort; number <= kLastPort; ++number) {
        const QString device = map.devicePath(number);
        if (device.isEmpty())
            continue;
        const bool fromSettings = map.mappedInSettings(number);
        const bool stored = number == storedNumber;
        // Default devices that are not there are the many numbers that reach nothing.
        if (!fromSettings && !stored && !QFileInfo::exists(device))
            continue;
        SurveyedPort port = surveyOne(number, device, fromSettings, known);
        port.stored = stored;
        ports.append(std::move(port));
    }
    return ports;
}

QList<PortHolder> PortSurvey::holdersOf(const QString& device)
{
    QList<PortHolder> holders;
    addLockHolders({device, QFileInfo(device).canonicalFilePath()}, holders);
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(device).constData(), &info) == 0 && S_ISCHR(info.st_mode))
        addOpenFileHolders(info.st_rdev, holders);
    return holders;
}

QString PortSurvey::heldByText(const QList<PortHolder>& holders)
{
    QStringList texts;
    for (const PortHolder& holder : holders)
        texts << kProcess.arg(holder.pid).arg(holder.program);
    return kHeldBy.arg(texts.join(QStringLiteral(", ")));
}
