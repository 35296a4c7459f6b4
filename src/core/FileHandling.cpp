// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/FileHandling.h"

#include "core/Dialogs.h"
#include "core/SharedState.h"
#include "core/TextRules.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace FileHandling {

namespace {
const QLatin1Char kQuote('\'');

constexpr QFile::Permissions kAnyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;

// Read-only for the user, or marked read-only by having no write bit at all. The second test
// matters for root, whom the system lets write anything.
bool isReadOnly(const QFileInfo& file)
{
    return !file.isWritable() || (file.permissions() & kAnyWrite) == 0;
}

// What can be told before touching the file; kNoError when nothing stands in the way yet.
int checkTarget(const QFileInfo& target)
{
    const QFileInfo folder(target.absolutePath());
    if (!folder.isDir())
        return kPathNotFound;
    if (target.isDir())
        return kPathAccess;
    if (target.exists() && isReadOnly(target))
        return kPathAccess;
    return kNoError;
}

// The number for the errno left by the call that just failed; a failure that set none (an
// encoder giving up, say) counts as a device error.
int lastSystemError(int savedErrno)
{
    return savedErrno == 0 ? kDeviceIo : errorNumberFor(savedErrno);
}
} // namespace

QString fileTitle(const QString& path)
{
    return QFileInfo(path).fileName();
}

QString lookUpFileName(const QString& path)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return {};
    // Without QDir::Hidden and QDir::System the listing holds visible ordinary files only.
    const QStringList names = QDir(file.absolutePath()).entryList(QDir::Files);
    QString asked = file.fileName();
    if (names.contains(asked))
        return asked;
    for (const QString& name : names) {
        if (name.compare(asked, Qt::CaseInsensitive) == 0)
            return name;
    }
    return {};
}

bool existsExactly(const QString& path)
{
    const QString found = lookUpFileName(path);
    return !found.isEmpty() && found == fileTitle(path);
}

bool wouldReplace(const QString& path)
{
    const QFileInfo target(path);
    return target.exists() && !target.isDir();
}

int errorNumberFor(int systemError)
{
    switch (systemError) {
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return kPathAccess;
    case ENOENT:
    case ENOTDIR:
        return kPathNotFound;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return kDiskFull;
    default:
        return kDeviceIo;
    }
}

int writeReplacing(const QString& path, const Writer& write)
{
    if (const int refused = checkTarget(QFileInfo(path)); refused != kNoError)
        return refused;

    // The destructor throws the temporary file away unless commit() succeeded.
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly))
        return lastSystemError(errno);

    errno = 0;
    const bool written = write(file);
    if (!written || file.error() != QFileDevice::NoError) {
        const int savedErrno = errno;
        file.cancelWriting();
        return lastSystemError(savedErrno);
    }
    // Buffered bytes go out here, so a full disk may only show now.
    errno = 0;
    if (!file.commit())
        return lastSystemError(errno);
    return kNoError;
}

bool confirmOverwrite(Dialogs& dialogs, const MessageTexts& texts, const QString& title)
{
    const QString question = kQuote + title + kQuote + texts.msgOverwrite;
    return dialogs.message(question, MsgIcon::Question, MsgButtons::OkCancel) == MsgAnswer::Ok;
}

std::optional<QString> askSavePath(Dialogs& dialogs, const MessageTexts& texts,
                                   const QString& filter, const QString& offeredName)
{
    std::optional<QString> path = dialogs.saveFileName(filter, offeredName);
    if (!path)
        return std::nullopt;
    if (wouldReplace(*path) && !confirmOverwrite(dialogs, texts, fileTitle(*path)))
        return std::nullopt;
    return path;
}

void reportNotExisting(Dialogs& dialogs, const MessageTexts& texts, const QString& title)
{
    dialogs.message(kQuote + title + kQuote + texts.msgNotExist, MsgIcon::Critical, MsgButtons::Ok);
}

void reportFileError(Dialogs& dialogs, const MessageTexts& texts, int number)
{
    if (number == kCancelled || number == kNoError)
        return;
    const QString text = number == kPathAccess
                             ? texts.msgDriveProblem
                             : texts.msgFileError + TextRules::withSignPosition(number);
    dialogs.message(text, MsgIcon::None, MsgButtons::Ok);
}

} // namespace FileHandling
