// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/TimingCommand.h"

#include "cli/CliText.h"
#include "cli/ExitStatus.h"
#include "cli/Session.h"
#include "core/Core.h"
#include "core/TextRules.h"

namespace {
// Enough to show every time grid the chip's digit gives (d * 0.47725 ms) without the noise of
// binary fractions.
constexpr int kSignificantDigits = 12;
const QString kNoTiming = QStringLiteral("the chip did not answer the timing query");

QString jsonNumber(double value)
{
    return QString::number(value, 'g', kSignificantDigits);
}
} // namespace

QString TimingCommand::text(const Core& core)
{
    return QStringLiteral("time grid %1 ms\nPID frequency %2 Hz\n")
        .arg(core.readout(Readout::TimeGrid), core.readout(Readout::PidFrequency));
}

QString TimingCommand::json(const Core& core)
{
    // The frequency as its readout shows it, to the hundredth.
    const double frequency = TextRules::roundedToHundredths(core.pidFrequency());
    return QStringLiteral("{\"time_grid_ms\": %1, \"pid_frequency_hz\": %2}\n")
        .arg(jsonNumber(core.timeGrid()), jsonNumber(frequency));
}

int TimingCommand::run(Session& session, bool json)
{
    Core& core = session.core;
    core.detectTiming();
    if (const auto failed = session.failureStatus())
        return *failed;
    // A fresh core shows no readouts, so an empty one was left unchanged: no reply, or one without
    // a time grid (the frequency readout is only written for a grid that is not zero).
    if (core.readout(Readout::PidFrequency).isEmpty() || core.timeGrid() == 0) {
        CliText::printError(kNoTiming);
        return ExitStatus::kNoAnswer;
    }
    return CliText::printResult(json ? TimingCommand::json(core) : text(core))
               ? ExitStatus::kDone
               : ExitStatus::kIoFailure;
}
