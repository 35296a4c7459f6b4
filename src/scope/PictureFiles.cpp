#include "scope/PictureFiles.h"

// In progress.
PictureFiles::PictureFiles(Fo& fo) : fo_(fo) {}
void PictureFiles::Mentes_Click() {}
void PictureFiles::Betolt_Click() {}
