// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/Session.h"

#include "cli/CliDialogs.h"
#include "cli/CliText.h"
#include "cli/ExitStatus.h"
#include "core/Core.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>

Session::Session(Core& core, CliDialogs& dialogs) : core(core), dialogs(dialogs)
{
    // Later reports are consequences of the first (a stop after a lost device, say).
    connect(&core, &Core::portErrorReported, this, [this](int number) {
        if (!firstPortError_)
            firstPortError_ = number;
        // A closed port's number has no failure line of its own.
        this->dialogs.attachToNextBox(
            failure_.isEmpty()
                ? QStringLiteral("Comm %1: error %2").arg(this->core.portNumber()).arg(number)
                : failure_);
        failure_.clear();
    });
    // The report shows no box: its number is written on the window's surface instead.
    connect(&core, &Core::formTextPrinted, this, [this] {
        if (const std::optional<QString> failure = this->dialogs.takeAttached())
            CliText::printError(*failure);
    });
}

std::optional<int> Session::failureStatus() const
{
    if (!firstPortError_)
        return std::nullopt;
    return ExitStatus::forPortError(*firstPortError_);
}

Session::Answer Session::waitForQuietConsole(std::chrono::milliseconds quiet,
                                             std::chrono::milliseconds firstAnswer)
{
    if (failureStatus())
        return Answer::None;
    // Declared in this order, the loop (every connection's context) goes before what they capture.
    Answer answer = Answer::None;
    QTimer silence;
    QTimer deadline;
    QEventLoop loop;
    silence.setSingleShot(true);
    deadline.setSingleShot(true);
    connect(&silence, &QTimer::timeout, &loop, [&] {
        if (answer != Answer::None)
            answer = Answer::Quiet;
        loop.quit();
    });
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    // clazy cannot see that the connection ends with its context, the loop, first.
    connect(&core, &Core::consoleAppended, &loop, [&] {
        answer = Answer::StillSending; // clazy:exclude=lambda-in-connect
        silence.start(quiet);          // clazy:exclude=lambda-in-connect
    });
    connect(&core, &Core::portErrorReported, &loop, &QEventLoop::quit);
    silence.start(std::max(quiet, firstAnswer));
    deadline.start(std::max({kLongestAnswer, firstAnswer, quiet + quiet}));
    loop.exec();
    return answer;
}
