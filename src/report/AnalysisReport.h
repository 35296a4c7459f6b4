// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The analysis as one HTML page that any browser opens on its own (no script, nothing fetched):
// the figures of one run, or of up to eight side by side (each labelled, where it has a label, with
// what was sent to the chip before it); a typical move of each run overlaid, with the
// in-position window as a band and the overshoot and settling marked; the runs' spectra with
// their dominant peaks; and each block's RMS and peak over the run. The plots are SVG.

#include "report/RunPlots.h"

#include <QString>

#include <vector>

namespace AnalysisReport {
using Run = PlottedRun;

// Writes the page to `path` (replaced whole); false with the system's reason when it could not.
bool write(const QString& path, const std::vector<Run>& runs, QString& reason);
} // namespace AnalysisReport
