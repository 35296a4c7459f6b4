// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scope picture as a file: saved as a 24-bit Windows bitmap, loaded from any picture file
// Qt reads (BMP, PNG, JPEG, ...). Both return a file error number (FileHandling).

#include <QString>

class QImage;

namespace BitmapFiles {

// Writes the picture as a 24-bit bitmap, replacing a file of that name whole or not at all.
int save(const QImage& picture, const QString& path);
// Reads the picture in the file into `picture`, telling the format by the contents.
int read(const QString& path, QImage& picture);

} // namespace BitmapFiles
