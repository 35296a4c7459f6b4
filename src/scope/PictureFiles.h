#pragma once
// Saving the scope picture as a bitmap and loading a picture as the scope's background.

class Fo;

class PictureFiles {
public:
    explicit PictureFiles(Fo& fo);

    void Mentes_Click(); // Save
    void Betolt_Click(); // Load

private:
    Fo& fo_;
};
