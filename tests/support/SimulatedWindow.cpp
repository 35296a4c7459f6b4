// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/SimulatedWindow.h"

#include "core/SettingsStore.h"
#include "core/link/Link.h"
#include "core/pid/PidDetect.h"

#include <ChipTexts.h>
#include <KdspProtocol.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QCoreApplication>
#include <QLabel>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

namespace {
// How often waitUntil wakes to look at its deadline when nothing else happens.
constexpr int kWakeIntervalMs = 5;
constexpr int kExposeTimeoutMs = 5000;

Fo& makeWindow(std::unique_ptr<Fo>& holder, SerialComm& comm, ScriptedDialogs& dialogs,
               MemorySettings& settings)
{
    // Stored as the program itself stores it, so start-up chooses the port.
    settings.saveSetting(SettingsKeys::kApplication, SettingsKeys::kSetupSection,
                         SettingsKeys::kPortKey,
                         QStringLiteral(" %1").arg(SimulatedWindow::kPortPosition));
    holder = std::make_unique<Fo>(comm, dialogs, settings);
    return *holder;
}
} // namespace

SimulatedWindow::SimulatedWindow() : comm(ports), fo(makeWindow(window, comm, dialogs, settings))
{
    chip.setProgram(QStringLiteral(KDSP_SIM_PATH));
    fo.show();
    (void)QTest::qWaitForWindowExposed(&fo, kExposeTimeoutMs);
}

SimulatedWindow::~SimulatedWindow()
{
    // The window goes before the port it uses, the port before the chip at its other end.
    window.reset();
}

bool SimulatedWindow::startChip(const QStringList& arguments)
{
    // A new name for every chip, so that a link left behind by one that was killed is not
    // taken for the new one.
    chipLink_ = linkFolder_.filePath(QStringLiteral("kdsp-%1").arg(++chipsStarted_));
    if (!chip.start(arguments + QStringList{QStringLiteral("--link"), chipLink_}))
        return false;
    mapPort(chipLink_);
    return true;
}

void SimulatedWindow::mapPort(const QString& devicePath)
{
    ports.setRunOverride(kPort, devicePath);
}

QStringList SimulatedWindow::reports() const
{
    return dialogs.texts() + fo.formTexts();
}

int SimulatedWindow::reportCount() const
{
    return static_cast<int>(reports().size());
}

int SimulatedWindow::chosenPosition() const
{
    return fo.Portok->currentIndex();
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    QTimer wake;
    wake.start(kWakeIntervalMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return condition();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

bool detectUntilShown(Fo& fo, const QString& expected)
{
    for (int attempt = 1; attempt <= kDetectAttempts; ++attempt) {
        fo.core().detectTiming();
        if (fo.MX(5)->text() == expected)
            return true;
        qInfo("Detect attempt %d: the reply missed the wait", attempt);
    }
    return false;
}

QString resetRegisterListing()
{
    kdsp::ChipStatus status;
    status.timingDigit = kdsp::kDefaultTimingDigit;
    return QString::fromStdString(kdsp::registerListing(status));
}

double startScopeTookMs(Fo& fo)
{
    QElapsedTimer clock;
    clock.start();
    fo.core().startScope();
    return clock.nsecsElapsed() / 1e6;
}
