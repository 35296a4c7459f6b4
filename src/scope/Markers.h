#pragma once
// The scope as a measuring tool: pointer readouts, start and end markers, the redraw.

class Fo;
class Link;

class Markers {
public:
    Markers(Fo& fo, Link& link);

    void Rajz_MouseMove(int button, int shift, float x, float y);
    void Rajz_MouseDown(int button, int shift, float x, float y);

    // Sample index under a pointer at x: x / 2 in single precision, halves to even.
    static double sampleIndex(float x);
    // Level under a pointer at y: 127.5 - y / 2, halves to even.
    static double level(float y);

private:
    Fo& fo_;
    Link& link_;
};
