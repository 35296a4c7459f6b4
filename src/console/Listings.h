#pragma once
// The register, special-command and fuse listings fetched into the console.

class Fo;
class Link;

class Listings {
public:
    Listings(Fo& fo, Link& link);

    // Each reports its own port errors and returns normally.
    void Command1_Click(); // Registers
    void Spec_Click();     // Special
    void SF_Click();       // State of Fuses

private:
    Fo& fo_;
    Link& link_;
};
