// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/RunPlots.h"

#include "core/analysis/FigureText.h"
#include "core/analysis/RunAnalysis.h"
#include "report/SvgPlot.h"

#include <QBuffer>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {
using RunFigures::Id;

// One a run, told apart also by the legend's names.
const QString kRunColours[RunPlots::kMaxRuns] = {
    QStringLiteral("#1f5fbf"), QStringLiteral("#d2561e"), QStringLiteral("#2e8b57"),
    QStringLiteral("#8e44ad"), QStringLiteral("#b8860b"), QStringLiteral("#17a2b8"),
    QStringLiteral("#444444"), QStringLiteral("#c2185b")};
const QString kWindowColour = QStringLiteral("#6cbf6c");

// A typical move's levels with its peak made positive, so moves of either sign overlay.
std::vector<int> upright(const MoveTally::TypicalMove& typical)
{
    std::vector<int> levels = typical.levels;
    if (typical.move.peak < 0)
        for (int& level : levels)
            level = -level;
    return levels;
}

RunPlots::Document document(const std::function<RunPlots::Drawn(QXmlStreamWriter&)>& draw)
{
    RunPlots::Document doc;
    QBuffer buffer(&doc.svg);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter xml(&buffer);
    xml.writeStartDocument();
    doc.drawn = draw(xml);
    xml.writeEndDocument();
    if (!doc.drawn.nothingToDraw.isEmpty())
        doc.svg.clear();
    return doc;
}

// Who is the same as the leading run: of two, both; of more, one at least.
QString sameAsLead(const std::vector<PlottedRun>& runs)
{
    return runs.size() == 2 ? QStringLiteral("the two are") : QStringLiteral("another run is");
}

// The best run of a figure and the run furthest behind it, with how far.
struct Lead
{
    std::size_t best;
    std::optional<std::size_t> furthest;
    double by = 0;
    bool withinSpread = false;
};
std::optional<Lead> leadOn(Id figure, const std::vector<PlottedRun>& runs)
{
    std::vector<RunFigures::Value> values;
    values.reserve(runs.size());
    for (const PlottedRun& run : runs)
        values.push_back(run.analysis->figures()[figure]);
    const RunFigures::Ranking ranking = RunFigures::rank(figure, values);
    if (!ranking.best)
        return std::nullopt;
    Lead lead{*ranking.best, std::nullopt, 0, ranking.withinSpread};
    for (std::size_t r = 0; r < values.size(); ++r) {
        const RunFigures::Comparison c = RunFigures::compare(figure, values[lead.best], values[r]);
        if (r != lead.best && c.change && std::abs(*c.change) >= lead.by) {
            lead.furthest = r;
            lead.by = std::abs(*c.change);
        }
    }
    return lead;
}
} // namespace

QString RunPlots::nameOf(const PlottedRun& run)
{
    const QString file = QFileInfo(run.path).fileName();
    return run.label.isEmpty() ? file : QStringLiteral("%1 (%2)").arg(file, run.label);
}

QString RunPlots::colourOf(std::size_t run)
{
    return kRunColours[run % kMaxRuns];
}

RunPlots::Drawn RunPlots::typicalMoves(QXmlStreamWriter& xml, const std::vector<PlottedRun>& runs)
{
    Drawn drawn;
    const double window = runs.front().analysis->settings().window;
    double longest = 0;
    double low = -window;
    double high = window;
    std::vector<std::optional<MoveTally::TypicalMove>> moves;
    for (const PlottedRun& run : runs) {
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
        drawn.nothingToDraw = QStringLiteral("No move settled in the run on a known time grid.");
        return drawn;
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
        plot.line(points, colourOf(r));
        const MoveFinder::Figures f =
            MoveFinder::figuresOf(typical.move, grid, runs[r].analysis->settings());
        if (typical.move.overshootAt >= 0)
            plot.mark({*f.overshootMs, -double(std::abs(typical.move.overshoot))}, colourOf(r),
                      QStringLiteral("overshoot %1 %").arg(f.overshootPct, 0, 'f', 1));
        const int settledLevel = levels[static_cast<std::size_t>(*typical.move.settleAt)];
        plot.mark({*f.settleMs, double(settledLevel)}, colourOf(r), QString());
        plot.verticalLine(*f.settleMs, colourOf(r),
                          QStringLiteral("settled %1 ms").arg(*f.settleMs, 0, 'f', 1),
                          static_cast<int>(r));
        drawn.legend.push_back({QStringLiteral("%1: block %2, peak %3 steps")
                                    .arg(nameOf(runs[r]))
                                    .arg(typical.block)
                                    .arg(f.peak),
                                colourOf(r)});
    }
    return drawn;
}

RunPlots::Drawn RunPlots::spectra(QXmlStreamWriter& xml, const std::vector<PlottedRun>& runs)
{
    Drawn drawn;
    double highestHz = 0;
    double largest = 0;
    for (const PlottedRun& run : runs) {
        // Without a time grid a spectrum has no frequency axis.
        if (!(run.analysis->timeGridMs() > 0))
            continue;
        highestHz = std::max(highestHz, Spectrum::nyquistHz(run.analysis->timeGridMs()));
        for (const double a : run.analysis->spectrum().amplitudes())
            largest = std::max(largest, a);
    }
    if (largest == 0) {
        drawn.nothingToDraw =
            QStringLiteral("No whole block on a known time grid to take a spectrum of.");
        return drawn;
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
        plot.line(points, colourOf(r));
        if (const auto peak = analysis.spectrum().dominant()) {
            const double hz = peak->frequencyHz(analysis.timeGridMs());
            const auto nearest = static_cast<std::size_t>(std::lround(peak->bin));
            plot.mark({hz, amplitudes[nearest]}, colourOf(r),
                      QStringLiteral("%1 Hz, %2 steps")
                          .arg(hz, 0, 'f', 2)
                          .arg(peak->amplitude, 0, 'f', 2));
        }
        drawn.legend.push_back(
            {QStringLiteral("%1: %2 blocks in the spectrum, resolution %3 Hz, Nyquist %4 Hz")
                 .arg(nameOf(runs[r]))
                 .arg(analysis.spectrum().blocks())
                 .arg(bin, 0, 'f', 3)
                 .arg(Spectrum::nyquistHz(analysis.timeGridMs()), 0, 'f', 1),
             colourOf(r)});
    }
    return drawn;
}

RunPlots::Document RunPlots::typicalMovesDocument(const std::vector<PlottedRun>& runs)
{
    Document doc = document([&runs](QXmlStreamWriter& xml) { return typicalMoves(xml, runs); });
    doc.summary = settleSummary(runs);
    return doc;
}

RunPlots::Document RunPlots::spectraDocument(const std::vector<PlottedRun>& runs)
{
    Document doc = document([&runs](QXmlStreamWriter& xml) { return spectra(xml, runs); });
    doc.summary = spectraSummary(runs);
    return doc;
}

QString RunPlots::settleSummary(const std::vector<PlottedRun>& runs)
{
    const std::optional<Lead> lead = leadOn(Id::SettleMs, runs);
    // "run 3: not settled": a run's median settle time, said where it has no number.
    const auto medianOf = [&runs](std::size_t r) {
        return runs[r].analysis->figures()[Id::SettleMs].value;
    };
    const auto why = [&runs, &medianOf](std::size_t r) {
        return QStringLiteral("%1: %2").arg(nameOf(runs[r]),
                                            FigureText::quantity(Id::SettleMs, medianOf(r)));
    };
    if (!lead) {
        // A loop that settles in under half its moves has its moves drawn all the same, and a
        // tuner must not take them for its median.
        QStringList whys;
        bool drawn = false;
        for (std::size_t r = 0; r < runs.size(); ++r) {
            whys << why(r);
            drawn = drawn || runs[r].analysis->typicalMove();
        }
        QString text = QStringLiteral("No run has a median settle time (%1)")
                           .arg(whys.join(QStringLiteral("; ")));
        if (drawn)
            text += QStringLiteral("; each run's line is the middle one of its moves that settled");
        return text + QLatin1Char('.');
    }
    QString text = QStringLiteral("%1 settles first").arg(nameOf(runs[lead->best]));
    text += QStringLiteral(" (median %1 ms)")
                .arg(FigureText::quantity(Id::SettleMs, medianOf(lead->best)));
    if (lead->furthest)
        text += QStringLiteral(", %1 ms before %2")
                    .arg(FigureText::quantity(Id::SettleMs, RunFigures::Quantity::of(lead->by)),
                         nameOf(runs[*lead->furthest]));
    if (lead->withinSpread)
        text += QStringLiteral("; %1 the same within the middle halves").arg(sameAsLead(runs));
    // Runs without a number to be behind by say why.
    for (std::size_t r = 0; r < runs.size(); ++r) {
        if (r != lead->best && !medianOf(r).number)
            text += QStringLiteral("; ") + why(r);
    }
    return text + QLatin1Char('.');
}

QString RunPlots::spectraSummary(const std::vector<PlottedRun>& runs)
{
    const std::optional<Lead> lead = leadOn(Id::FrequencyAmplitude, runs);
    if (!lead)
        return QStringLiteral("No run's spectrum can be judged.");
    const RunFigures::Values figures = runs[lead->best].analysis->figures();
    QString text = QStringLiteral("%1 oscillates least").arg(nameOf(runs[lead->best]));
    if (figures[Id::FrequencyAmplitude].value.number)
        text += QStringLiteral(": %1 steps at %2 Hz")
                    .arg(FigureText::quantity(Id::FrequencyAmplitude,
                                              figures[Id::FrequencyAmplitude].value),
                         FigureText::quantity(Id::FrequencyHz, figures[Id::FrequencyHz].value));
    else
        text += QStringLiteral(": no oscillation stands out");
    if (lead->furthest)
        text += QStringLiteral(", %1 steps less than %2")
                    .arg(FigureText::quantity(Id::FrequencyAmplitude,
                                              RunFigures::Quantity::of(lead->by)),
                         nameOf(runs[*lead->furthest]));
    if (lead->withinSpread)
        text += QStringLiteral("; %1 the same").arg(sameAsLead(runs));
    return text + QLatin1Char('.');
}
