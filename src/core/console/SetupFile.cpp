// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/console/SetupFile.h"

#include "core/Dialogs.h"
#include "core/FileHandling.h"
#include "core/Core.h"

#include <QIODevice>

namespace {
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
} // namespace

SetupFile::SetupFile(Core& core) : core_(core) {}

void SetupFile::save()
{
    // Red on every click, also when the dialog is then cancelled; the save never sets it back.
    core_.setLampColour(static_cast<int>(kRed));
    const std::optional<QString> path =
        FileHandling::askSavePath(core_.dialogs, core_.messages, kFilter, kOfferedName);
    if (!path)
        return;

    // Bytes from the chip are shown as Latin-1 and go back out unchanged; anything typed
    // outside Latin-1 becomes "?".
    const QByteArray contents = core_.consoleText().text().toLatin1() + kLineEnd;
    const int result = FileHandling::writeReplacing(*path, [&contents](QIODevice& device) {
        return device.write(contents) == contents.size();
    });
    FileHandling::reportFileError(core_.dialogs, core_.messages, result);
}
