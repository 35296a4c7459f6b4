// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The options of the tracking-error analysis, shared by "analyse" and "capture --analyse": the
// move parameters (--window, --move-threshold, --hold), the pass/fail conditions (--fail-if) and
// the report page (--report, analyse only).

#include <QString>

class QCommandLineParser;
struct CliOptions;

namespace AnalysisOptions {
// Adds the options; `withReport` for analyse, which reads whole files.
void addTo(QCommandLineParser& parser, bool withReport);
// Takes those given into `options`; false with the reason when one is invalid.
bool take(const QCommandLineParser& parser, CliOptions& options, QString& reason);
} // namespace AnalysisOptions
