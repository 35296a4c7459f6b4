// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scope as a measuring tool: the pointer's time and level readouts, the start and end markers
// with their readouts (start, end, width), and the redraw of the last block. Positions
// are sample positions and level positions; the window turns the pointer's pixels into them.

#include <QString>

class Core;
class Link;

class Markers
{
public:
    Markers(Core& core, Link& link);

    // The time and level readouts for the pointer over a sample position and a level position
    // (see ScopeGeometry); positions off the scope (a drag) use the same formulas unclamped.
    void pointAt(float samplePosition, double levelPosition);
    // Stops the scope, then places the start marker at the sample position, else the end marker,
    // else nothing.
    void placeMarkerAt(float samplePosition);
    // Redraws sampleBlock on a cleared surface and removes the markers and their readouts.
    void clearMarkers();

    // The level readout for a level in encoder steps: plain digits with a minus sign, no
    // decimal point.
    static QString levelText(double level);

private:
    void placeStart(float samplePosition);
    void placeEnd(float samplePosition);
    double timeAt(float samplePosition) const;

    Core& core_;
    Link& link_;
};
