// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ConsoleCommands.h"

#include "cli/CliDialogs.h"
#include "cli/CliOptions.h"
#include "cli/CliText.h"
#include "cli/ExitStatus.h"
#include "cli/OptionItems.h"
#include "cli/Session.h"
#include "core/Core.h"

#include <QFileInfo>

#include <chrono>

namespace {
using std::chrono::milliseconds;

const QString kNoListing = QStringLiteral("the chip sent no listing");
const QString kNoAnswer = QStringLiteral("the chip did not answer");
const QString kStillSending =
    QStringLiteral("the chip was still sending after %1 ms; printed what came so far");

// After the handler: the chip's answer until the line is quiet, then the console printed or,
// with a file named, saved as the window's Save writes the setup file.
int finish(Session& session, milliseconds quiet, const QString& outputFile,
           const QString& silentReason)
{
    if (const auto failed = session.failureStatus())
        return *failed;
    const Session::Answer answer =
        session.waitForQuietConsole(quiet, milliseconds(ConsoleCommands::kFirstAnswerMs));
    if (const auto failed = session.failureStatus())
        return *failed;
    if (answer == Session::Answer::StillSending)
        CliText::printError(kStillSending.arg(Session::kLongestAnswer.count()));
    const QString text = session.core.consoleText().text();
    if (text.isEmpty()) {
        CliText::printError(silentReason);
        return ExitStatus::kNoAnswer;
    }
    if (outputFile.isEmpty())
        return CliText::printResult(CliText::withSystemLineBreaks(text)) ? ExitStatus::kDone
                                                                         : ExitStatus::kIoFailure;

    // The window's own save, its dialog answered with the file: the same bytes, written the same
    // way. A failure shows its box (here a line on standard error).
    const int reportsBefore = session.dialogs.reportsShown();
    session.dialogs.answerSaveWith(QFileInfo(outputFile).absoluteFilePath());
    session.core.saveSetupFile();
    return session.dialogs.reportsShown() == reportsBefore ? ExitStatus::kDone
                                                           : ExitStatus::kIoFailure;
}
} // namespace

int ConsoleCommands::runListing(Session& session, const CliOptions& options)
{
    switch (options.command) {
    case CliCommand::Special:
        session.core.fetchListing(Core::Listing::Specials);
        break;
    case CliCommand::Fuses:
        session.core.fetchListing(Core::Listing::Fuses);
        break;
    default:
        session.core.fetchListing(Core::Listing::Registers);
        break;
    }
    return finish(session, milliseconds(CliOptions::kDefaultQuietMs), options.outputFile,
                  kNoListing);
}

int ConsoleCommands::runOption(Session& session, const OptionItem& item)
{
    session.core.switchOption(item.option);
    return finish(session, milliseconds(CliOptions::kDefaultQuietMs), QString(), kNoAnswer);
}

int ConsoleCommands::runSend(Session& session, const CliOptions& options)
{
    session.core.sendLine(options.text);
    return finish(session, milliseconds(options.quietMs), QString(), kNoAnswer);
}
