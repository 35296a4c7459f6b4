// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/BitmapFiles.h"

#include "core/FileHandling.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

#include <cerrno>

namespace {
const char* const kBitmapFormat = "BMP";
// Three bytes a pixel: what the bitmap writer turns into a 24-bit file.
constexpr QImage::Format kBitmapPixels = QImage::Format_RGB888;
} // namespace

namespace BitmapFiles {

int save(const QImage& picture, const QString& path)
{
    const QImage bitmap = picture.convertToFormat(kBitmapPixels);
    return FileHandling::writeReplacing(
        path, [&bitmap](QIODevice& device) { return bitmap.save(&device, kBitmapFormat); });
}

int read(const QString& path, QImage& picture)
{
    QFile file(path);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly))
        return errno == 0 ? FileHandling::kDeviceIo : FileHandling::errorNumberFor(errno);
    // The format is told by the contents, not the name: a PNG called .bmp still loads.
    QImageReader reader(&file);
    reader.setDecideFormatFromContent(true);
    picture = reader.read();
    if (!picture.isNull())
        return FileHandling::kNoError;
    return reader.error() == QImageReader::DeviceError ? FileHandling::kDeviceIo
                                                       : FileHandling::kNotAPicture;
}

} // namespace BitmapFiles
