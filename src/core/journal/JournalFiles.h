// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The journal on disk: a folder of sessions, each named for the time its window started
// (2026-12-09_14-05-33), holding per run its blocks as a capture file (run-0003.csv.gz), the
// register listing it ran under as the chip sent it (run-0003.registers.txt), a small file with
// its label and times (run-0003.json, so that a lost session.json can be rebuilt), and one
// session.json that lists the ended runs with their figures, replaced whole as each run ends.

#include "core/runs/RunRecord.h"

#include <QJsonObject>
#include <QString>

#include <optional>

namespace JournalFiles {
inline const QString kSessionFile = QStringLiteral("session.json");
inline const QString kSessionNameFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss");
inline const QString kRunFilePattern = QStringLiteral("run-*.csv.gz");
// The format session.json and the run files are written in; a reader takes this one.
constexpr int kFormat = 1;

QString sessionName(const QDateTime& started);
// The session's start as its name gives it; invalid for a folder named otherwise.
QDateTime startOfSession(const QString& name);

QString blocksFile(int run);
QString listingFile(int run);
QString runFile(int run);
// The run's number from one of its files' names; nothing for another file.
std::optional<int> runOfFile(const QString& fileName);

// A run as session.json and its own file hold it (the figures only when `withFigures`).
QJsonObject toJson(const RunRecord& run, bool withFigures);
// Nothing when the object is not a run of this format.
std::optional<RunRecord> runFromJson(const QJsonObject& object);

// The bytes of every file in `folder` and below.
qint64 folderBytes(const QString& folder);

// `text` written whole to `path`, or the old file kept: false with the reason.
bool saveWhole(const QString& path, const QByteArray& text, QString& error);
} // namespace JournalFiles
