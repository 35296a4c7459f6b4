// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A captured block as CSV rows: one row per sample received, with the time and the level the
// window's pointer readouts show over that sample.

#include "core/SharedState.h"
#include "capture/CaptureCsv.h"

#include <QString>

namespace CsvRows {
inline const QString kHeader =
    QLatin1String(CaptureCsv::kHeader.data(), CaptureCsv::kHeader.size()) + QLatin1Char('\n');

// The rows of block number `blockNumber` (counted from 1); samples not received are left out.
QString forBlock(int blockNumber, const SampleBlock& block, double timeGrid);

// The time readout over sample i and the level readout over value v, as the window writes them.
QString timeReadout(int sample, double timeGrid);
QString levelReadout(int value);

// A readout's number as a plain decimal for CSV readers: ".25" -> "0.25", "3." -> "3",
// "." -> "0"; other texts as they are.
QString plainNumber(const QString& readoutText);
} // namespace CsvRows
