// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/AnalysisReport.h"

#include "core/analysis/FigureText.h"
#include "core/analysis/RunAnalysis.h"
#include "report/RunPlots.h"
#include "report/SvgPlot.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>

namespace {
const QString kStyle = QStringLiteral(
    "body{font-family:sans-serif;margin:24px;color:#222;max-width:960px}"
    "table{border-collapse:collapse}td,th{padding:3px 10px;border-bottom:1px solid #ddd;"
    "text-align:right}td:first-child,th:first-child{text-align:left}th small{font-weight:normal}"
    ".note{color:#555;font-size:90%}.legend "
    "span{margin-right:24px;white-space:nowrap;display:inline-block}");
// Legend keys: a solid and a dashed line.
const QString kSolidKey = QStringLiteral("\u2501\u2501 ");
const QString kDashedKey = QStringLiteral("\u254d\u254d ");

using RunPlots::LegendEntry;

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

// A figure's value, its middle half in small type beneath it, so that eight runs fit a page.
void valueCell(QXmlStreamWriter& xml, RunFigures::Id figure, const RunFigures::Value& value)
{
    xml.writeStartElement(QStringLiteral("td"));
    xml.writeCharacters(FigureText::quantity(figure, value.value));
    if (RunFigures::infoOf(figure).spread && value.value.number) {
        xml.writeEmptyElement(QStringLiteral("br"));
        element(xml, QStringLiteral("small"),
                QStringLiteral("%1\u2013%2")
                    .arg(FigureText::quantity(figure, value.p25),
                         FigureText::quantity(figure, value.p75)));
    }
    xml.writeEndElement();
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
            valueCell(xml, info.id, values[info.id]);
        if (runs.size() == 2) {
            const RunFigures::Comparison c =
                RunFigures::compare(info.id, figures[0][info.id], figures[1][info.id]);
            element(xml, QStringLiteral("td"), FigureText::change(info.id, c));
            element(xml, QStringLiteral("td"), FigureText::better(c, runs[0].path, runs[1].path));
        } else if (runs.size() > 2) {
            std::vector<RunFigures::Value> values;
            values.reserve(figures.size());
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
            xml.writeCharacters(QStringLiteral("%1: %2").arg(RunPlots::nameOf(runs[r]), absence));
            xml.writeEndElement();
        }
}

// A plot's legend under it, or why it has none.
void drawnPlot(QXmlStreamWriter& xml, const RunPlots::Drawn& drawn)
{
    if (!drawn.nothingToDraw.isEmpty())
        element(xml, QStringLiteral("p"), drawn.nothingToDraw);
    else
        legend(xml, drawn.legend);
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
        plot.line(rms, RunPlots::colourOf(r));
        plot.line(peak, RunPlots::colourOf(r), true);
        const QString each =
            perPoint > 1 ? QStringLiteral(" (each point %1 blocks)").arg(perPoint) : QString();
        entries.push_back({QStringLiteral("%1: RMS%2").arg(RunPlots::nameOf(runs[r]), each),
                           RunPlots::colourOf(r)});
        entries.push_back({QStringLiteral("%1: peak").arg(RunPlots::nameOf(runs[r])),
                           RunPlots::colourOf(r), true});
    }
    return entries;
}

QString parameters(const RunAnalysis& analysis)
{
    const MoveFinder::Settings& s = analysis.settings();
    return QStringLiteral(
               "Levels in encoder steps (value \u2212 128). A move is where the error "
               "exceeds %1 steps; it starts where it left the in-position window of "
               "\u00b1%2 steps and has settled once %3 samples in a row lie within it. "
               "Every move counts: one that did not settle within its block counts as "
               "longer than any that settled sooner than it could have (the time it was "
               "followed, less a hold); one cut short by its block's end before others "
               "settled hands its weight to the moves that took longer. Its overshoot is the "
               "largest seen before its block "
               "ended, a lower bound, once its error crossed over; cut before that, it is "
               "left out of the overshoot. Beneath a median, its middle half: the 25th "
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
            QStringLiteral("Of each run, the first settled move that took its median settle "
                           "time (where the median lies between two, the longer); where a run "
                           "has no median, the middle one of its settled moves (of an even "
                           "number, the lower middle one)."));
    drawnPlot(xml, RunPlots::typicalMoves(xml, runs));
    element(xml, QStringLiteral("h2"), QStringLiteral("Spectrum"));
    element(xml, QStringLiteral("p"),
            QStringLiteral("The mean of the blocks' power spectra (each block less its "
                           "mean, Hann window), as the amplitude of a sine."));
    drawnPlot(xml, RunPlots::spectra(xml, runs));
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
