// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/scope/Markers.h"

#include "core/Core.h"
#include "core/TextRules.h"
#include "core/link/CommError.h"
#include "core/link/Link.h"
#include "core/scope/ScopeControl.h"
#include "core/scope/ScopeGeometry.h"

#include <cmath>

namespace {
constexpr float kNoMarker = -1;

const QString kStartLabel = QStringLiteral("Start");
const QString kEndLabel = QStringLiteral("End");
} // namespace

Markers::Markers(Core& core, Link& link) : core_(core), link_(link) {}

QString Markers::levelText(double level)
{
    // Through an integer, so a level that rounds to zero from below reads "0", not "-0".
    return QString::number(static_cast<qint64>(level));
}

double Markers::timeAt(float samplePosition) const
{
    return ScopeGeometry::timeOfSample(ScopeGeometry::sampleAt(samplePosition),
                                       core_.state.timeGrid);
}

void Markers::pointAt(float samplePosition, double levelPosition)
{
    core_.setReadout(Readout::Time, TextRules::formatNoRequiredDigit(timeAt(samplePosition)));
    core_.setReadout(Readout::Level, levelText(ScopeGeometry::levelAt(levelPosition)));
}

void Markers::placeMarkerAt(float samplePosition)
{
    // The trap covers the marker steps too; only the stop can fail, and then no marker is
    // placed.
    try {
        core_.scope().stopBlocks();
        if (core_.state.markerStart < 0 && core_.state.markerEnd < 0)
            placeStart(samplePosition);
        else if (core_.state.markerEnd < 0)
            placeEnd(samplePosition);
    } catch (const CommError& e) {
        link_.reportPortError(e.number());
    }
}

void Markers::placeStart(float samplePosition)
{
    core_.setMarkers(samplePosition, core_.state.markerEnd);
    core_.setReadout(Readout::MarkerStart,
                     TextRules::formatAtLeastOneDigit(timeAt(samplePosition)));
    core_.placeMarker(Core::Marker::Start, samplePosition, kStartLabel);
}

void Markers::placeEnd(float samplePosition)
{
    core_.setMarkers(core_.state.markerStart, samplePosition);
    core_.setReadout(Readout::MarkerEnd, TextRules::formatAtLeastOneDigit(timeAt(samplePosition)));
    // The width is what the user can check from the two readouts: the difference of the rounded
    // texts, not of the marker positions.
    const double start = TextRules::leadingNumber(core_.readout(Readout::MarkerStart));
    const double end = TextRules::leadingNumber(core_.readout(Readout::MarkerEnd));
    core_.setReadout(Readout::MarkerWidth, TextRules::formatAtLeastOneDigit(std::fabs(start - end)));
    core_.placeMarker(Core::Marker::End, samplePosition, kEndLabel);
}

void Markers::clearMarkers()
{
    core_.clearScope();
    core_.drawBlock(core_.state.sampleBlock, core_.traceColour());
    core_.setMarkers(kNoMarker, kNoMarker);
    for (const Readout r : {Readout::MarkerStart, Readout::MarkerEnd, Readout::MarkerWidth})
        core_.setReadout(r, QString());
}
