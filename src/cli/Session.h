// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One run of a sub-command: the core it drives, the dialogs answering for the user, and the first
// port failure the core reported, which decides the exit status. Each report is one line on
// standard error: the window's box for it (if any) and the port's reason.

#include <QObject>

#include <chrono>
#include <optional>

class CliDialogs;
class Core;

class Session : public QObject
{
    Q_OBJECT

public:
    Session(Core& core, CliDialogs& dialogs);

    Core& core;
    CliDialogs& dialogs;

    // The port's failure line (Comm::takeFailures), told with the core's report of it.
    void noteFailure(const QString& failure) { failure_ = failure; }

    // The exit status for the first port failure, or nothing while none was reported.
    std::optional<int> failureStatus() const;

    // How long a wait for a quiet console lasts at most: a line that never falls quiet (a scope
    // stream started by a typed command) must not keep the program waiting for ever.
    static constexpr std::chrono::milliseconds kLongestAnswer{10'000};

    enum class Answer { None, Quiet, StillSending };
    // Runs the event loop until the console has been quiet for `quiet` since its last text, or
    // kLongestAnswer has passed. While nothing has come at all it waits at least `firstAnswer`.
    // Ends at once on a port failure.
    Answer waitForQuietConsole(std::chrono::milliseconds quiet,
                               std::chrono::milliseconds firstAnswer);

private:
    std::optional<int> firstPortError_;
    QString failure_;
};
