// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scope as a measuring tool: the pointer readouts MX(0) (time) and MX(1) (level), the start
// and end markers with their readouts MX(2)-MX(4), and the redraw of the last block.

#include <QString>

class Core;
class Link;

class Markers
{
public:
    Markers(Core& core, Link& link);

    // The time and level readouts for a pointer at (x, y); positions outside the surface (a
    // drag) use the same formulas unclamped.
    void pointAt(float x, float y);
    // Stops the scope, then places the start marker at x, else the end marker, else nothing.
    void placeMarkerAt(float x);
    // Redraws sampleBlock on a cleared surface and removes the markers and their readouts.
    void clearMarkers();

    // The level readout for a pointer at y (see ScopeGeometry::levelAt): plain digits with a
    // minus sign, no decimal point.
    static QString levelText(float y);

    // A marker's label is written from the top beside its line; the text's left edge moves in
    // near the right edge so that it stays on the surface.
    static constexpr float kLabelShiftFrom = 550;
    static constexpr float kStartLabelShift = 23;
    static constexpr float kEndLabelShift = 20;
    static constexpr float kLabelTop = 5;
    // Where the label of a marker at x starts.
    static float labelX(float x, float labelShift);

private:
    void placeStart(float x);
    void placeEnd(float x);
    double timeAt(float x) const;

    Core& core_;
    Link& link_;
};
