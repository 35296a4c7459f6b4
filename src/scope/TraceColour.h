#pragma once
// The trace colour chosen with the four Szin buttons.

class Fo;

class TraceColour {
public:
    explicit TraceColour(Fo& fo);

    void Szin_Click(int index);

private:
    Fo& fo_;
};
