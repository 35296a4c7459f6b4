// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The journal read back, for `trevalon-cli runs` and any view of the runs: the sessions under a
// journal folder, and one session's runs. Reading changes nothing on disk.
//
// A session is read from its session.json; a run that it does not list (the window was killed
// during the run) is taken from its own files: its label and times from its run file, its blocks
// and figures from its capture file, whose torn last block is left out. A session.json that is
// missing or damaged is rebuilt the same way from all the run files, with a message.

#include "core/runs/RunRecord.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace JournalReader {
struct SessionSummary
{
    QString name;
    QString folder;
    QDateTime start; // invalid for a folder not named as a session
    int runs = 0;    // capture files in it
    qint64 bytes = 0;
};

struct Session
{
    QString name;
    QString folder;
    QList<RunRecord> runs; // by number
    // What was wrong and how it was got round, one line each.
    QStringList messages;
};

// The sessions under `root`, newest first; none when there is no such folder.
QList<SessionSummary> sessions(const QString& root);

// The session named `which` (a folder, a session's name under `root`, or "last" for the newest).
// Nothing, with the reason in `error`, when there is no such session.
std::optional<Session> session(const QString& root, const QString& which, QString& error);

// The register listing run `number` of the session in `folder` ran under, as its file keeps it;
// empty when it ran under none. Sessions are read without their listings: a view reads the few
// it shows.
QString registerListing(const QString& folder, int number);

// The name "last" takes for the newest session.
inline const QString kLast = QStringLiteral("last");
} // namespace JournalReader
