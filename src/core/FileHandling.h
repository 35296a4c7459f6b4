// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the two file handlers (scope pictures, register setup file) share: the file error numbers
// and how a failure of this system becomes one, the exact-name existence test, writing a file so
// that a failure never destroys the old one, and the boxes both handlers show.
//
// Every failure ends up in one of three rows: a cancelled dialog (silent), a place that cannot be
// written (kPathAccess, the drive-problem text) or any other number (the file-error text with the
// number).

#include <QString>

#include <functional>
#include <optional>

class Dialogs;
class QIODevice;
struct MessageTexts;

namespace FileHandling {

constexpr int kNoError = 0;
constexpr int kCancelled = 32755; // the user cancelled the file dialog
constexpr int kPathAccess = 75;   // permission denied, read-only file, folder or medium
constexpr int kPathNotFound = 76; // the folder does not exist
constexpr int kDiskFull = 61;     // no space left (or over quota)
constexpr int kNotAPicture = 481; // the file holds no picture the loader reads
constexpr int kDeviceIo = 57;     // every other failure

// The name of the file without its folder, as the dialog calls it.
QString fileTitle(const QString& path);

// Looks the path up and returns the name of the ordinary file found there: not hidden (a name
// starting with "."), not a folder, not a device, pipe or socket. Where the file system matches
// names regardless of letter case, this is the name as stored, which may differ from the one asked
// for. Empty when there is no such file.
QString lookUpFileName(const QString& path);

// The file counts as existing only when the look-up returns exactly its title (letter case
// counts). A hidden file or a folder of that name does not count. This is the test before
// loading.
bool existsExactly(const QString& path);

// Whether saving to the path would replace a file: anything but a folder found there, hidden
// files included. This is the test before the overwrite question, which must come for every file
// a save would destroy.
bool wouldReplace(const QString& path);

// A system error number (errno) as a file error number.
int errorNumberFor(int systemError);

// Writes a file through a temporary file beside the target that replaces the target only once
// it is complete: on any failure the old file is left as it was and no temporary file remains.
// `write` fills the device and returns false when it could not. A target that is read-only by its
// permission bits is refused (kPathAccess) even where the user could replace it, since renaming
// over it would silently defeat the protection. Returns kNoError or the file error number.
using Writer = std::function<bool(QIODevice&)>;
int writeReplacing(const QString& path, const Writer& write);

// "'title'" + msgOverwrite with the question icon and OK/Cancel; true on OK.
bool confirmOverwrite(Dialogs& dialogs, const MessageTexts& texts, const QString& title);

// The start both saves share: the save dialog with the filter and the name offered, then the
// overwrite question when the save would replace a file. The path to write, or nothing when the user
// cancelled either (silently, as a cancel is).
std::optional<QString> askSavePath(Dialogs& dialogs, const MessageTexts& texts,
                                   const QString& filter, const QString& offeredName);

// "'title'" + msgNotExist with the critical icon and OK.
void reportNotExisting(Dialogs& dialogs, const MessageTexts& texts, const QString& title);

// Shows the box for a file error number: nothing for kCancelled, msgDriveProblem for
// kPathAccess, otherwise msgFileError followed by the number with its sign position. No icon, OK.
void reportFileError(Dialogs& dialogs, const MessageTexts& texts, int number);

} // namespace FileHandling
