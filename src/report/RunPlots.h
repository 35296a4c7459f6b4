// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The plots that overlay runs, drawn alike in the HTML report and, as SVG documents of their
// own, in the window: a typical move of each run (the error from the move's start with its peak
// upward, the in-position window as a band, the overshoot and the settling marked) and the runs'
// spectra with their dominant peaks. Up to kMaxRuns runs, each in its own colour, named in the
// legend by its path's file name. Beside the pictures, a sentence that says what they show
// ("run 3 settles first, 12.40 ms before run 1"), for those who cannot see them.

#include <QByteArray>
#include <QString>
#include <QXmlStreamWriter>

#include <vector>

class RunAnalysis;

struct PlottedRun
{
    QString path;
    const RunAnalysis* analysis;
    QString label; // what was sent to the chip before the run; empty: none known
};

namespace RunPlots {
constexpr std::size_t kMaxRuns = 8;

QString colourOf(std::size_t run);
// A run as the legends name it: its file, and what was sent before it where that is known.
QString nameOf(const PlottedRun& run);

struct LegendEntry
{
    QString text;
    QString colour;
    bool dashed = false;
};

// What a plot drew: its legend, or (with nothing drawn) why there is nothing to draw.
struct Drawn
{
    std::vector<LegendEntry> legend;
    QString nothingToDraw;
};

// Each writes one whole <svg> element into `xml`, or nothing.
Drawn typicalMoves(QXmlStreamWriter& xml, const std::vector<PlottedRun>& runs);
Drawn spectra(QXmlStreamWriter& xml, const std::vector<PlottedRun>& runs);

// A plot as a standalone SVG document (empty when there is nothing to draw), and its words.
struct Document
{
    QByteArray svg;
    Drawn drawn;
    QString summary;
};
Document typicalMovesDocument(const std::vector<PlottedRun>& runs);
Document spectraDocument(const std::vector<PlottedRun>& runs);

// Which run settles first and by how much before the slowest; which oscillates least.
QString settleSummary(const std::vector<PlottedRun>& runs);
QString spectraSummary(const std::vector<PlottedRun>& runs);
} // namespace RunPlots
