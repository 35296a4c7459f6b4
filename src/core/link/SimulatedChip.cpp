// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/link/SimulatedChip.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <sys/prctl.h>
#include <QStandardPaths>

SimulatedChip::SimulatedChip(QObject* parent) : QObject(parent) {}

SimulatedChip::~SimulatedChip()
{
    // No signals from a half-destroyed object.
    if (process_ != nullptr) {
        process_->disconnect(this);
    }
    stop();
}

QString SimulatedChip::locateProgram()
{
    QStringList folders;
    if (QCoreApplication::instance() != nullptr) {
        const QString here = QCoreApplication::applicationDirPath();
        folders << here << QDir(here).filePath(QStringLiteral(".."));
    }
    const QString name = QString::fromLatin1(kProgramName);
    for (const QString& folder : folders) {
        const QFileInfo candidate(QDir(folder).filePath(name));
        if (candidate.isFile() && candidate.isExecutable()) {
            return candidate.canonicalFilePath();
        }
    }
    return QStandardPaths::findExecutable(name);
}

bool SimulatedChip::isRunning() const
{
    return process_ != nullptr && process_->state() != QProcess::NotRunning;
}

void SimulatedChip::fail(const QString& message)
{
    error_ = message;
    devicePath_.clear();
    if (process_ != nullptr) {
        process_->disconnect(this);
        if (process_->state() != QProcess::NotRunning) {
            process_->kill();
            process_->waitForFinished(kStopGraceMs);
        }
        process_->deleteLater();
        process_ = nullptr;
    }
}

bool SimulatedChip::start(const QStringList& arguments, int timeoutMs)
{
    stop();
    error_.clear();
    const QString programPath = program_.isEmpty() ? locateProgram() : program_;
    if (programPath.isEmpty()) {
        // Packaged, the simulator comes apart from the programs that start it: say where it is had.
        error_ = tr("The chip simulator (%1) was not found; install the %1 package or put %1 "
                    "on the PATH.")
                     .arg(QLatin1String(kProgramName));
        return false;
    }

    process_ = new QProcess(this);
    process_->setProgram(programPath);
    process_->setArguments(arguments);
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The simulator ends with this program however it ends (killed, crashed), not only through
    // stop(): a chip left running would hold a pseudo-terminal nobody reads.
    process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_->start();
    if (!process_->waitForStarted(timeoutMs)) {
        fail(tr("The chip simulator %1 could not be started: %2")
                 .arg(programPath, process_->errorString()));
        return false;
    }

    // The first line is the device path; the simulator prints and flushes it right away.
    const QDeadlineTimer deadline(timeoutMs);
    while (!process_->canReadLine() && process_->state() == QProcess::Running &&
           !deadline.hasExpired()) {
        process_->waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    }
    if (!process_->canReadLine()) {
        fail(process_->state() == QProcess::Running
                 ? tr("The chip simulator did not name its device within %1 ms.").arg(timeoutMs)
                 : tr("The chip simulator ended before naming its device (exit code %1).")
                       .arg(process_->exitCode()));
        return false;
    }
    devicePath_ = QString::fromLocal8Bit(process_->readLine()).trimmed();
    if (devicePath_.isEmpty()) {
        fail(tr("The chip simulator named no device."));
        return false;
    }

    connect(process_, &QProcess::finished, this,
            [this](int exitCode, QProcess::ExitStatus) { Q_EMIT finished(exitCode); });
    return true;
}

void SimulatedChip::stop()
{
    if (process_ == nullptr) {
        return;
    }
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(kStopGraceMs)) {
            process_->kill();
            process_->waitForFinished(kStopGraceMs);
        }
    }
    // finished() has been emitted (if connected) by waitForFinished above.
    process_->disconnect(this);
    process_->deleteLater();
    process_ = nullptr;
    devicePath_.clear();
}
