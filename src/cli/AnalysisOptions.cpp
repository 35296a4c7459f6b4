// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/AnalysisOptions.h"

#include "capture/BlockSize.h"
#include "cli/CliOptions.h"

#include <QCommandLineOption>
#include <QCommandLineParser>

#include <cmath>

namespace {
// A level is at most 128 steps from the centre; a hold is at most a block.
constexpr double kLargestSteps = 128;
constexpr int kLongestHold = kBlockSize;
// The chip's time grids lie within these, with room on either side.
constexpr double kShortestGridMs = 0.01;
constexpr double kLongestGridMs = 1000;

const QCommandLineOption kAnalyse(QStringLiteral("analyse"),
                                  QStringLiteral("Analyse the blocks as they come (moves, "
                                                 "settling, spectrum) on standard error."));
const QCommandLineOption kReport(QStringLiteral("report"),
                                 QStringLiteral("Also write the analysis as an HTML page."),
                                 QStringLiteral("FILE.html"));
const QCommandLineOption kFailIf(QStringLiteral("fail-if"),
                                 QStringLiteral("Exit with status 7 when this holds, such as "
                                                "rms>5 (repeatable)."),
                                 QStringLiteral("EXPR"));
const QCommandLineOption kGrid(QStringLiteral("grid"),
                               QStringLiteral("The time between two samples in ms, for every "
                                              "block, over the file's own (for a recording whose "
                                              "timing query went unanswered)."),
                               QStringLiteral("MS"));
const QCommandLineOption kWindow(QStringLiteral("window"),
                                 QStringLiteral("The in-position window in steps (default 2)."),
                                 QStringLiteral("W"));
const QCommandLineOption kThreshold(QStringLiteral("move-threshold"),
                                    QStringLiteral("The error in steps that makes a move "
                                                   "(default 10)."),
                                    QStringLiteral("T"));
const QCommandLineOption kHold(QStringLiteral("hold"),
                               QStringLiteral("Samples in a row within the window that settle a "
                                              "move (default 10)."),
                               QStringLiteral("H"));

bool has(const QCommandLineParser& parser, const QCommandLineOption& option)
{
    return parser.optionNames().contains(option.names().constFirst());
}

// A number of steps in [0, 128], or nothing. "nan" reads as a number but lies in no range: every
// comparison with it is false, so it must be refused by name.
std::optional<double> stepsIn(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value < 0 || value > kLargestSteps)
        return std::nullopt;
    return value;
}
} // namespace

void AnalysisOptions::addTo(QCommandLineParser& parser, bool withReport)
{
    if (withReport)
        parser.addOptions({kReport, kGrid});
    else
        parser.addOption(kAnalyse);
    parser.addOptions({kFailIf, kWindow, kThreshold, kHold});
}

bool AnalysisOptions::take(const QCommandLineParser& parser, CliOptions& options, QString& reason)
{
    options.analyse = has(parser, kAnalyse);
    const bool parametersGiven = has(parser, kFailIf) || has(parser, kWindow) ||
                                 has(parser, kThreshold) || has(parser, kHold);
    if (options.command == CliCommand::Capture && parametersGiven && !options.analyse) {
        reason = QStringLiteral("capture takes --fail-if, --window, --move-threshold and --hold "
                                "only with --analyse");
        return false;
    }
    if (has(parser, kReport))
        options.reportFile = parser.value(kReport);
    if (has(parser, kGrid)) {
        bool ok = false;
        const double grid = parser.value(kGrid).trimmed().toDouble(&ok);
        // Written as "!(a < b)" so that a value that is not a number is refused too.
        if (!ok || !(grid >= kShortestGridMs && grid <= kLongestGridMs)) {
            reason =
                QStringLiteral("--grid takes %1 to %2 ms").arg(kShortestGridMs).arg(kLongestGridMs);
            return false;
        }
        options.timeGridMs = grid;
    }
    // Asked only when given: the parser warns of a value asked of an option it does not have.
    for (const QString& text : has(parser, kFailIf) ? parser.values(kFailIf) : QStringList()) {
        std::optional<FailCondition> condition = FailCondition::parse(text, reason);
        if (!condition)
            return false;
        options.failConditions.push_back(*condition);
    }
    MoveFinder::Settings& settings = options.moveSettings;
    if (has(parser, kWindow)) {
        const std::optional<double> w = stepsIn(parser.value(kWindow));
        if (!w) {
            reason = QStringLiteral("--window takes 0 to 128 steps");
            return false;
        }
        settings.window = *w;
    }
    if (has(parser, kThreshold)) {
        const std::optional<double> t = stepsIn(parser.value(kThreshold));
        if (!t) {
            reason = QStringLiteral("--move-threshold takes 0 to 128 steps");
            return false;
        }
        settings.threshold = *t;
    }
    if (settings.threshold < settings.window) {
        reason = QStringLiteral("the move threshold (%1) is below the window (%2)")
                     .arg(settings.threshold)
                     .arg(settings.window);
        return false;
    }
    if (has(parser, kHold)) {
        bool ok = false;
        const int h = parser.value(kHold).trimmed().toInt(&ok);
        if (!ok || h < 1 || h > kLongestHold) {
            reason = QStringLiteral("--hold takes 1 to %1 samples").arg(kLongestHold);
            return false;
        }
        settings.hold = h;
    }
    return true;
}
