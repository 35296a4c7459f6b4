#pragma once
// PID frequency detect: the timing query without a scope run.

class Fo;
class Link;

class PidDetect {
public:
    PidDetect(Fo& fo, Link& link);

    void PID_Click();

private:
    Fo& fo_;
    Link& link_;
};
