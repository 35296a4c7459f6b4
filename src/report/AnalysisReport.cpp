// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/AnalysisReport.h"

#include "core/analysis/FigureText.h"
#include "cli/SvgPlot.h"
#include "core/analysis/RunAnalysis.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>

namespace {
// One a run, told apart also by the legend's names.
const QString kRunColours[] = {QStringLiteral("#1f5fbf"), QStringLiteral("#d2561e"),
                               QStringLiteral("#2e8b57"), QStringLiteral("#8e44ad"),
                               QStringLiteral("#b8860b"), QStringLiteral("#17a2b8"),
                               QStringLiteral("#444444"), QStringLiteral("#c2185b")};
const QString kWindowColour = QStringLiteral("#6cbf6c");
const QString kStyle = QStringLiteral(
    "body{font-family:sans-serif;margin:24px;color:#222;max-width:960px}"
    "table{border-collapse:collapse}td,th{padding:3px 10px;border-bottom:1px solid #ddd;"
    "text-align:right;white-space:nowrap}td:first-child,th:first-child{text-align:left}"
    ".note{color:#555;font-size:90%}.legend "
    "span{margin-right:24px;white-space:nowrap;display:inline-block}");
// Legend keys: a solid and a dashed line.
const QString kSolidKey = QStringLiteral("\u2501\u2501 ");
const QString kDashedKey = QStringLiteral("\u254d\u254d ");

struct LegendEntry
{
    QString text;
    QString colour;
    bool dashed = false;
};

// The plot's legend under it, in the page's own text.
void legend(QXmlStreamWriter& xml, const std::vector<LegendEntry>& entries)
{
    xml.writeStartElement(QStringLiteral("p"));
    xml.writeAttribute(QStringLiteral("class"), QStringLiteral("legend"));
    for (const LegendEntry& entry : entries) {
        xml.writeStartElement(QStringLiteral("span"));
        xml.writeAttribute(QStringLiteral("style"), QStringLiteral("color:%1").arg(entry.colour));
        xml.writeCharacters((entry.dashed ? kDashedKey : kSolidKey) + entry.text);
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

void element(QXmlStreamWriter& xml, const QString& name, const QString& text)
{
    xml.writeTextElement(name, text);
}

void figuresTable(QXmlStreamWriter& xml, const std::vector<AnalysisReport::Run>& runs,
                  const std::vector<RunFigures::Values>& figures)
{
    xml.writeStartElement(QStringLiteral("table"));
    xml.writeStartElement(QStringLiteral("tr"));
    element(xml, QStringLiteral("th"), QStringLiteral("figure"));
    element(xml, QStringLiteral("th"), QStringLiteral("unit"));
    for (const AnalysisReport::Run& run : runs) {
        xml.writeStartElement(QStringLiteral("th"));
        xml.writeCharacters(fileName(run.path));
        if (!run.label.isNull()) {
            xml.writeEmptyElement(QStringLiteral("br"));
            element(xml, QStringLiteral("small"),
                    run.label.isEmpty() ? QStringLiteral("(nothing sent before it)") : run.label);
        }
        xml.writeEndElement();
    }
    if (runs.size() == 2) {
        element(xml, QStringLiteral("th"), QStringLiteral("change"));
        element(xml, QStringLiteral("th"), QStringLiteral("better"));
    } else if (runs.size() > 2) {
        element(xml, QStringLiteral("th"), QStringLiteral("best"));
    }
    xml.writeEndElement();
    QStringList paths;
    for (const AnalysisReport::Run& run : runs)
        paths << run.path;
    for (const RunFigures::Info& info : RunFigures::kFigures) {
        xml.writeStartElement(QStringLiteral("tr"));
        element(xml, QStringLiteral("td"), FigureText::name(info.id));
        element(xml, QStringLiteral("td"),
                QString::fromLatin1(info.unit.data(), qsizetype(info.unit.size())));
        for (const RunFigures::Values& values : figures)
            element(xml, QStringLiteral("td"), FigureText::value(info.id, values[info.id]));
        if (runs.size() == 2) {
            const RunFigures::Comparison c =
                RunFigures::compare(info.id, figures[0][info.id], figures[1][info.id]);
            element(xml, QStringLiteral("td"), FigureText::change(info.id, c));
            element(xml, QStringLiteral("td"), FigureText::better(c, runs[0].path, runs[1].path));
        } else if (runs.size() > 2) {
            std::vector<RunFigures::Value> values;
            for (const RunFigures::Values& run : figures)
                values.push_back(run[info.id]);
            element(xml, QStringLiteral("td"),
                    FigureText::best(RunFigures::rank(info.id, values), paths));
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    for (std::size_t r = 0; r < runs.size(); ++r)
        for (const QString& absence : FigureText::absences(figures[r])) {
            xml.writeStartElement(QStringLiteral("p"));
            xml.writeAttribute(QStringLiteral("class"), QStringLiteral("note"));
            xml.writeCharacters(QStringLiteral("%1: %2").arg(fileName(runs[r].path), absence));
            xml.writeEndElement();
        }
}

// A typical move's levels with its peak made positive, so moves of either sign overlay.
std::vector<int> upright(const MoveTally::TypicalMove& typical)
{
    std::vector<int> levels = typical.levels;
    if (typical.move.peak < 0)
        for (int& level : levels)
            level = -level;
    return levels;
}

// Each plot is drawn whole (its <svg> closed) before its legend is written under it.
std::vector<LegendEntry> typicalMoves(QXmlStreamWriter& xml,
                                      const std::vector<AnalysisReport::Run>& runs)
{
    std::vector<LegendEntry> entries;
    const double window = runs.front().analysis->settings().window;
    double longest = 0;
    double low = -window;
    double high = window;
    std::vector<std::optional<MoveTally::TypicalMove>> moves;
    for (const AnalysisReport::Run& run : runs) {
        moves.push_back(run.analysis->typicalMove());
        // A move without a time grid has no place on an axis of milliseconds.
        if (moves.back() && !(moves.back()->timeGridMs > 0))
            moves.back().reset();
        if (!moves.back())
            continue;
        const std::vector<int> levels = upright(*moves.back());
        longest = std::max(longest, double(levels.size()) * moves.back()->timeGridMs);
        low = std::min(low, double(*std::min_element(levels.begin(), levels.end())));
        high = std::max(high, double(*std::max_element(levels.begin(), levels.end())));
    }
    if (longest == 0) {
        element(xml, QStringLiteral("p"),
                QStringLiteral("No move settled in the run on a known time grid."));
        return entries;
    }
    SvgPlot plot(xml, QStringLiteral("time from the move's start (ms)"),
                 QStringLiteral("tracking error, peak upward (steps)"), SvgPlot::around(0, longest),
                 SvgPlot::around(low, high));
    plot.band(-window, window, kWindowColour,
              QStringLiteral("in-position window \u00b1%1").arg(window));
    for (std::size_t r = 0; r < runs.size(); ++r) {
        if (!moves[r])
            continue;
        const MoveTally::TypicalMove& typical = *moves[r];
        const double grid = typical.timeGridMs;
        const std::vector<int> levels = upright(typical);
        std::vector<QPointF> points;
        for (std::size_t i = 0; i < levels.size(); ++i)
            points.emplace_back(double(i) * grid, levels[i]);
        plot.line(points, kRunColours[r]);
        const MoveFinder::Figures f =
            MoveFinder::figuresOf(typical.move, grid, runs[r].analysis->settings());
        if (typical.move.overshootAt >= 0)
            plot.mark({*f.overshootMs, -double(std::abs(typical.move.overshoot))}, kRunColours[r],
                      QStringLiteral("overshoot %1 %").arg(f.overshootPct, 0, 'f', 1));
        const int settledLevel = levels[static_cast<std::size_t>(*typical.move.settleAt)];
        plot.mark({*f.settleMs, double(settledLevel)}, kRunColours[r], QString());
        plot.verticalLine(*f.settleMs, kRunColours[r],
                          QStringLiteral("settled %1 ms").arg(*f.settleMs, 0, 'f', 1),
                          static_cast<int>(r));
        entries.push_back({QStringLiteral("%1: block %2, peak %3 steps")
                               .arg(fileName(runs[r].path))
                               .arg(typical.block)
                               .arg(f.peak),
                           kRunColours[r]});
    }
    return entries;
}

std::vector<LegendEntry> spectra(QXmlStreamWriter& xml,
                                 const std::vector<AnalysisReport::Run>& runs)
{
    std::vector<LegendEntry> entries;
    double highestHz = 0;
    double largest = 0;
    for (const AnalysisReport::Run& run : runs) {
        // Without a time grid a spectrum has no frequency axis.
        if (!(run.analysis->timeGridMs() > 0))
            continue;
        highestHz = std::max(highestHz, Spectrum::nyquistHz(run.analysis->timeGridMs()));
        for (const double a : run.analysis->spectrum().amplitudes())
            largest = std::max(largest, a);
    }
    if (largest == 0) {
        element(xml, QStringLiteral("p"),
                QStringLiteral("No whole block on a known time grid to take a spectrum of."));
        return entries;
    }
    SvgPlot plot(xml, QStringLiteral("frequency (Hz)"), QStringLiteral("amplitude (steps)"),
                 {0, highestHz}, {0, largest * 1.15});
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const RunAnalysis& analysis = *runs[r].analysis;
        const std::vector<double> amplitudes = analysis.spectrum().amplitudes();
        if (amplitudes.empty() || !(analysis.timeGridMs() > 0))
            continue;
        const double bin = Spectrum::resolutionHz(analysis.timeGridMs());
        std::vector<QPointF> points;
        for (std::size_t k = 0; k < amplitudes.size(); ++k)
            points.emplace_back(double(k) * bin, amplitudes[k]);
        plot.line(points, kRunColours[r]);
        if (const auto peak = analysis.spectrum().dominant()) {
            const double hz = peak->frequencyHz(analysis.timeGridMs());
            const auto nearest = static_cast<std::size_t>(std::lround(peak->bin));
            plot.mark({hz, amplitudes[nearest]}, kRunColours[r],
                      QStringLiteral("%1 Hz, %2 steps")
                          .arg(hz, 0, 'f', 2)
                          .arg(peak->amplitude, 0, 'f', 2));
        }
        entries.push_back(
            {QStringLiteral("%1: %2 blocks in the spectrum, resolution %3 Hz, Nyquist %4 Hz")
                 .arg(fileName(runs[r].path))
                 .arg(analysis.spectrum().blocks())
                 .arg(bin, 0, 'f', 3)
                 .arg(Spectrum::nyquistHz(analysis.timeGridMs()), 0, 'f', 1),
             kRunColours[r]});
    }
    return entries;
}

std::vector<LegendEntry> blockHistory(QXmlStreamWriter& xml,
                                      const std::vector<AnalysisReport::Run>& runs)
{
    long long lastBlock = 1;
    int largest = 1;
    for (const AnalysisReport::Run& run : runs)
        for (const BlockHistory::Point& p : run.analysis->history().points()) {
            lastBlock = std::max(lastBlock, p.firstBlock + p.blocks - 1);
            largest = std::max(largest, p.peak);
        }
    std::vector<LegendEntry> entries;
    SvgPlot plot(xml, QStringLiteral("block"), QStringLiteral("steps"),
                 SvgPlot::around(1, double(lastBlock)), {0, largest * 1.1});
    for (std::size_t r = 0; r < runs.size(); ++r) {
        std::vector<QPointF> rms;
        std::vector<QPointF> peak;
        long long perPoint = 1;
        for (const BlockHistory::Point& p : runs[r].analysis->history().points()) {
            rms.emplace_back(double(p.firstBlock), p.rms());
            peak.emplace_back(double(p.firstBlock), p.peak);
            perPoint = std::max(perPoint, p.blocks);
        }
        plot.line(rms, kRunColours[r]);
        plot.line(peak, kRunColours[r], true);
        const QString each =
            perPoint > 1 ? QStringLiteral(" (each point %1 blocks)").arg(perPoint) : QString();
        entries.push_back(
            {QStringLiteral("%1: RMS%2").arg(fileName(runs[r].path), each), kRunColours[r]});
        entries.push_back(
            {QStringLiteral("%1: peak").arg(fileName(runs[r].path)), kRunColours[r], true});
    }
    return entries;
}

QString parameters(const RunAnalysis& analysis)
{
    const MoveFinder::Settings& s = analysis.settings();
    return QStringLiteral("Levels in encoder steps (value \u2212 128). A move is where the error "
                          "exceeds %1 steps; it starts where it left the in-position window of "
                          "\u00b1%2 steps and has settled once %3 samples in a row lie within it. "
                          "Every move counts: one that did not settle within its block counts as "
                          "longer than any that did, and its overshoot is the largest seen before "
                          "its block ended, a lower bound. In brackets, the middle half: the 25th "
                          "to the 75th percentile over the moves (for peak and RMS, over the "
                          "blocks).")
        .arg(s.threshold)
        .arg(s.window)
        .arg(s.hold);
}
} // namespace

bool AnalysisReport::write(const QString& path, const std::vector<Run>& runs, QString& reason)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        reason = file.errorString();
        return false;
    }
    std::vector<RunFigures::Values> figures;
    QStringList names;
    for (const Run& run : runs) {
        figures.push_back(run.analysis->figures());
        names << fileName(run.path);
    }
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeDTD(QStringLiteral("<!DOCTYPE html>"));
    xml.writeStartElement(QStringLiteral("html"));
    xml.writeAttribute(QStringLiteral("lang"), QStringLiteral("en"));
    xml.writeStartElement(QStringLiteral("head"));
    xml.writeEmptyElement(QStringLiteral("meta"));
    xml.writeAttribute(QStringLiteral("charset"), QStringLiteral("utf-8"));
    const QString title =
        QStringLiteral("Tracking error: %1").arg(names.join(QStringLiteral(" vs ")));
    element(xml, QStringLiteral("title"), title);
    element(xml, QStringLiteral("style"), kStyle);
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("body"));
    element(xml, QStringLiteral("h1"), title);
    xml.writeStartElement(QStringLiteral("p"));
    xml.writeAttribute(QStringLiteral("class"), QStringLiteral("note"));
    xml.writeCharacters(parameters(*runs.front().analysis));
    xml.writeEndElement();
    element(xml, QStringLiteral("h2"), QStringLiteral("Figures"));
    figuresTable(xml, runs, figures);
    element(xml, QStringLiteral("h2"), QStringLiteral("A typical move"));
    element(xml, QStringLiteral("p"),
            QStringLiteral("Of each run, the first settled move whose settle time is the run's "
                           "median (of an even number of moves, the lower middle one)."));
    legend(xml, typicalMoves(xml, runs));
    element(xml, QStringLiteral("h2"), QStringLiteral("Spectrum"));
    element(xml, QStringLiteral("p"),
            QStringLiteral("The mean of the blocks' power spectra (each block less its "
                           "mean, Hann window), as the amplitude of a sine."));
    legend(xml, spectra(xml, runs));
    element(xml, QStringLiteral("h2"), QStringLiteral("RMS and peak of each block"));
    legend(xml, blockHistory(xml, runs));
    xml.writeEndElement();
    xml.writeEndElement();
    if (xml.hasError() || !file.commit()) {
        reason = file.errorString();
        return false;
    }
    return true;
}
