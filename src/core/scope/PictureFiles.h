// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Mentes and Betolt: saving the scope picture as a bitmap and loading a picture as the scope's
// background. Neither touches the port: a running scope keeps running.

#include <QString>

class Core;

class PictureFiles
{
public:
    // The dialogs' filters; only the save filter spells "Bitmap" with a capital.
    static inline const QString kSaveFilter =
        QStringLiteral("Rurodudod Bitmap (*.bmp)|*.bmp|Minden File (*.*)|*.*");
    static inline const QString kOpenFilter =
        QStringLiteral("Rurodudod bitmap (*.bmp)|*.bmp|Minden File (*.*)|*.*");
    // Offered on every click, whatever name was used last.
    static inline const QString kOfferedName = QStringLiteral("Rurodudod.bmp");

    explicit PictureFiles(Core& core);

    // Save: asks for a name (and before replacing a file), then writes what the surface shows
    // at that moment as a 24-bit 600 x 512 bitmap.
    void save();
    // Load: asks for an existing file and makes the picture in it the surface's background,
    // under every later clear. A file that holds no picture leaves the background as it was.
    void load();

private:
    Core& core_;
};
