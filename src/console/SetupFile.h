#pragma once
// Saving the console text to a register setup file.

class Fo;

class SetupFile {
public:
    explicit SetupFile(Fo& fo);

    void Ment_Click();

private:
    Fo& fo_;
};
