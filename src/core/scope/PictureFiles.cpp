// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/scope/PictureFiles.h"

#include "core/Dialogs.h"
#include "core/FileHandling.h"
#include "core/Core.h"
#include "core/scope/ScopeImages.h"


PictureFiles::PictureFiles(Core& core) : core_(core) {}

void PictureFiles::save()
{
    core_.setLampColour(static_cast<int>(kRed));
    const std::optional<QString> path =
        FileHandling::askSavePath(core_.dialogs, core_.messages, kSaveFilter, kOfferedName);
    if (!path)
        return;

    // Taken only now, after the dialogs: blocks that arrived meanwhile are in the picture.
    const int result = core_.images.savePicture(*path);
    FileHandling::reportFileError(core_.dialogs, core_.messages, result);
}

void PictureFiles::load()
{
    core_.setLampColour(static_cast<int>(kRed));
    const std::optional<QString> path = core_.dialogs.openFileName(kOpenFilter, kOfferedName);
    if (!path)
        return; // cancelled: silent
    const QString title = FileHandling::fileTitle(*path);
    if (!FileHandling::existsExactly(*path)) {
        FileHandling::reportNotExisting(core_.dialogs, core_.messages, title);
        return;
    }

    // What is drawn stays on top until the next clear; the picture lies under every later
    // trace. A file that holds no picture leaves the background as it was.
    FileHandling::reportFileError(core_.dialogs, core_.messages,
                                  core_.images.loadBackground(*path));
}
