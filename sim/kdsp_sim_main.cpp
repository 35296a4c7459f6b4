// SPDX-License-Identifier: GPL-3.0-or-later
// kdsp-sim: the simulated KDSP chip on a pseudo-terminal. Prints the device path as its first
// line on standard output, then serves until SIGTERM or SIGINT (or until the device vanishes
// with --vanish-after). Logs go to standard error, and only with --verbose.
#include "ChipModel.h"
#include "ChipTexts.h"
#include "DeviceLink.h"
#include "PseudoTerminal.h"
#include "PtyServer.h"
#include "Recording.h"
#include "SimOptions.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

constexpr const char* kCopyrightAndLicence =
    "Copyright (C) 2026 The Trevalon Project\n"
    "License GPL-3.0-or-later: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

volatile std::sig_atomic_t g_stopRequested = 0;

extern "C" void requestStop(int)
{
    g_stopRequested = 1;
}

// SIGTERM and SIGINT are blocked except while the server waits in ppoll, so a stop request is
// seen at once and never slips in between a check and a wait. Returns the mask to wait with.
sigset_t installStopHandlers()
{
    struct sigaction action
    {
    };
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);

    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    sigset_t waitMask;
    sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGHUP);
    return waitMask;
}

void logLine(std::string_view text)
{
    std::cerr << "kdsp-sim: " << text << std::endl;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const kdsp::ParsedOptions parsed = kdsp::parseSimOptions(arguments);
    const std::string programName = argc > 0 ? argv[0] : "kdsp-sim";
    if (!parsed.error.empty()) {
        std::cerr << programName << ": " << parsed.error << "\n" << kdsp::usageText(programName);
        return kExitUsage;
    }
    const kdsp::SimOptions& options = parsed.options;
    if (options.help) {
        std::cout << kdsp::usageText(programName);
        return kExitOk;
    }
    if (options.version) {
        // The first line names the program and its version, as scripts read it.
        std::cout << "kdsp-sim " KDSP_SIM_VERSION "\n" << kCopyrightAndLicence;
        return kExitOk;
    }

    kdsp::ChipConfig chip = options.chip;
    if (!options.replayPath.empty()) {
        // Notes come as the replay reaches the end of the recording, while the chip serves.
        kdsp::OpenedRecording recording =
            kdsp::RecordingReader::open(options.replayPath, [programName](const std::string& note) {
                std::cerr << programName << ": " << note << std::endl;
            });
        if (!recording.reader) {
            std::cerr << programName << ": " << recording.error << "\n";
            return kExitUsage;
        }
        chip.replay = std::move(recording.reader);
    }

    const sigset_t waitMask = installStopHandlers();
    try {
        kdsp::PseudoTerminal pty;
        kdsp::DeviceLink link;
        if (!options.linkPath.empty()) {
            const std::string error = link.create(options.linkPath, pty.slavePath());
            if (!error.empty()) {
                logLine(error);
                return kExitFailure;
            }
        }
        // The launcher waits for this line: print it alone and at once.
        std::cout << pty.slavePath() << std::endl;

        kdsp::ChipModel model(chip);
        kdsp::ServeSettings settings;
        settings.vanishAfter = options.vanishAfter;
        settings.chunkPeriod = options.chunkPeriod;
        if (options.textStream) {
            settings.textStream = kdsp::registerListing(
                {model.options(), options.chip.timingDigit, false, false, model.gains()});
        }
        if (options.verbose) {
            settings.log = logLine;
            logLine("serving on " + pty.slavePath());
        }
        kdsp::PtyServer server(pty.masterFd(), model, std::move(settings));
        const kdsp::ServeEnd end = server.run(g_stopRequested, waitMask);

        // The link goes first, so nobody finds a path to a device that is gone.
        link.remove();
        pty.close();
        if (options.verbose) {
            logLine(end == kdsp::ServeEnd::Vanished ? "device vanished" : "stopped");
        }
        return end == kdsp::ServeEnd::Failed ? kExitFailure : kExitOk;
    } catch (const std::exception& error) {
        logLine(error.what());
        return kExitFailure;
    }
}
