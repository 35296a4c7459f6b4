// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The trace colour chosen with the four Szin buttons. The choice takes effect at the next
// drawing of the trace; it is not kept between runs.

class Core;

class TraceColour
{
public:
    explicit TraceColour(Core& core);

    // Sets traceColour for buttons 0-3 (yellow, red, black, magenta); any other index changes
    // nothing. Nothing is redrawn, sent or saved.
    void choose(int index);

    static constexpr int kOptionCount = 4;
    // The colour of option index, as a 0x00BBGGRR value; index must be 0 to kOptionCount - 1.
    static double optionColour(int index);

private:
    Core& core_;
};
