#pragma once
// Start, Stop and the two trigger buttons, built from four sequences that other handlers reuse.

class Fo;
class Link;

class ScopeControl {
public:
    ScopeControl(Fo& fo, Link& link);

    void Be_Click();        // Start
    void Ki_Click();        // Stop
    void Triger_be_Click(); // "Triger on"
    void Triger_ki_Click(); // "Triger off"

    // The shared sequences. They throw CommError to the calling handler's trap.
    void prepareScope();
    void queryTiming();
    void openForBlocks();
    void stopScope();

private:
    Fo& fo_;
    Link& link_;
};
