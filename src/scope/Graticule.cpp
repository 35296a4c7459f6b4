#include "scope/Graticule.h"

// In progress.
QImage Graticule::render()
{
    QImage image(600, 512, QImage::Format_RGB32);
    image.fill(kBackground);
    return image;
}
