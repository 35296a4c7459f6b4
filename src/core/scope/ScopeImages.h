// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The scope picture's files, done by whoever holds the picture: the core's save and load
// handlers choose the file and report the outcome; the picture itself never enters the core.

#include <QString>

class ScopeImages
{
public:
    virtual ~ScopeImages() = default;

    // Writes what the scope shows now as a 24-bit 600 x 512 bitmap, replacing a file of that
    // name whole or not at all. Returns a file error number (FileHandling), kNoError on success.
    virtual int savePicture(const QString& path) = 0;
    // Reads the picture in the file and makes it the scope's background. Returns a file error
    // number; on failure the background stays as it was.
    virtual int loadBackground(const QString& path) = 0;
};
