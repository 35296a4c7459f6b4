// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command-line program holds no scope picture: its save and load handlers are never run, and
// would be told the picture cannot be written or read.

#include "core/FileHandling.h"
#include "core/scope/ScopeImages.h"

class NoScopeImages : public ScopeImages
{
public:
    int savePicture(const QString& /*path*/) override { return FileHandling::kDeviceIo; }
    int loadBackground(const QString& /*path*/) override { return FileHandling::kDeviceIo; }
};
