#include "core/scope/PictureFiles.h"

#include "core/Dialogs.h"
#include "core/FileHandling.h"
#include "window/Fo.h"
#include "window/ScopeSurface.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

#include <cerrno>

namespace {
const char* const kBitmapFormat = "BMP";
// Three bytes a pixel: what the bitmap writer turns into a 24-bit file.
constexpr QImage::Format kBitmapPixels = QImage::Format_RGB888;

// Reads the picture in the file into `picture`; returns the file error number.
int readPicture(const QString& path, QImage& picture)
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
} // namespace

PictureFiles::PictureFiles(Fo& fo) : fo_(fo) {}

void PictureFiles::Mentes_Click()
{
    fo_.setLampColour(static_cast<int>(kRed));
    const std::optional<QString> path =
        FileHandling::askSavePath(fo_.dialogs, fo_.messages, kSaveFilter, kOfferedName);
    if (!path)
        return;

    // Taken only now, after the dialogs: blocks that arrived meanwhile are in the picture.
    const QImage picture = fo_.Rajz->composite().convertToFormat(kBitmapPixels);
    const int result = FileHandling::writeReplacing(
        *path, [&picture](QIODevice& device) { return picture.save(&device, kBitmapFormat); });
    FileHandling::reportFileError(fo_.dialogs, fo_.messages, result);
}

void PictureFiles::Betolt_Click()
{
    fo_.setLampColour(static_cast<int>(kRed));
    const std::optional<QString> path = fo_.dialogs.openFileName(kOpenFilter, kOfferedName);
    if (!path)
        return; // cancelled: silent
    const QString title = FileHandling::fileTitle(*path);
    if (!FileHandling::existsExactly(*path)) {
        FileHandling::reportNotExisting(fo_.dialogs, fo_.messages, title);
        return;
    }

    QImage picture;
    if (const int result = readPicture(*path, picture); result != FileHandling::kNoError) {
        FileHandling::reportFileError(fo_.dialogs, fo_.messages, result);
        return;
    }
    // What is drawn stays on top until the next clear; the picture lies under every later trace.
    fo_.Rajz->setBackground(picture);
}
