// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/journal/JournalReader.h"

#include "capture/CaptureFile.h"
#include "core/analysis/RunAnalysis.h"
#include "core/journal/JournalFiles.h"
#include "core/runs/RunCutter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <map>

namespace {
const QString kNoSession = QStringLiteral("no session %1 in %2");
const QString kNoSessions = QStringLiteral("no sessions in %1");
const QString kSessionMissing =
    QStringLiteral("%1 is missing: the session is rebuilt from its run files");
const QString kSessionDamaged =
    QStringLiteral("%1 is damaged (%2): the session is rebuilt from its run files");
const QString kRunRebuilt = QStringLiteral(
    "run %1 is not in %2 (the window ended during it): taken from its files, %3 whole blocks");
const QString kRunFileLost =
    QStringLiteral("run %1: %2 is missing or damaged: its label and times are not known");
const QString kBlocksUnreadable = QStringLiteral("run %1: %2");
const QString kRunsKey = QStringLiteral("runs");
const QString kFormatKey = QStringLiteral("format");

QList<QFileInfo> runCaptures(const QString& folder)
{
    return QDir(folder).entryInfoList({JournalFiles::kRunFilePattern}, QDir::Files, QDir::Name);
}

// The runs session.json lists, by number; nothing when it cannot be read, with the reason.
std::optional<std::map<int, RunRecord>> listedRuns(const QString& path, QString& reason)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
        return std::nullopt;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject() ||
        document.object().value(kFormatKey).toInt() != JournalFiles::kFormat) {
        reason = parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                              : QStringLiteral("not a session");
        return std::nullopt;
    }
    std::map<int, RunRecord> runs;
    const QJsonArray listed = document.object().value(kRunsKey).toArray();
    for (const auto& value : listed) {
        if (std::optional<RunRecord> run = JournalFiles::runFromJson(value.toObject()))
            runs[run->number] = *run;
    }
    return runs;
}

// The run from its own files: its run file, then its blocks and figures from its capture.
RunRecord runFromFiles(const QString& folder, int number, QStringList& messages)
{
    const QDir dir(folder);
    RunRecord run;
    QFile runFile(dir.filePath(JournalFiles::runFile(number)));
    std::optional<RunRecord> fromFile;
    if (runFile.open(QIODevice::ReadOnly))
        fromFile = JournalFiles::runFromJson(QJsonDocument::fromJson(runFile.readAll()).object());
    if (fromFile) {
        run = *fromFile;
    } else {
        messages << kRunFileLost.arg(number).arg(JournalFiles::runFile(number));
        run.number = number;
    }
    const QString blocksPath = dir.filePath(JournalFiles::blocksFile(number));
    RunAnalysis analysis{MoveFinder::Settings{}};
    const CaptureFile::ReadResult read = CaptureFile::read(
        QFile::encodeName(blocksPath).toStdString(), [&](const CaptureCsv::RecordedBlock& b) {
            analysis.addBlock(b.number, b.value, b.timeGridMs);
        });
    if (!read.fine())
        messages << kBlocksUnreadable.arg(number).arg(
            QString::fromStdString(CaptureFile::describeFault(read)));
    run.blocks = analysis.blocks();
    if (analysis.blocks() > 0) {
        run.figures = analysis.figures();
        if (run.timeGridMs == 0)
            run.timeGridMs = analysis.timeGridMs();
    }
    const QFileInfo blocksInfo(blocksPath);
    if (!run.start.isValid())
        run.start =
            blocksInfo.birthTime().isValid() ? blocksInfo.birthTime() : blocksInfo.lastModified();
    // Cut short: it ended when its last block was written (not before it began, whatever the
    // clock did meanwhile).
    if (!run.end.isValid())
        run.end = std::max(blocksInfo.lastModified(), run.start);
    return run;
}
} // namespace

QList<JournalReader::SessionSummary> JournalReader::sessions(const QString& root)
{
    QList<SessionSummary> found;
    const QDir dir(root);
    // Names are start times, so the newest sorts last by name.
    const QFileInfoList folders =
        dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed);
    for (const QFileInfo& folder : folders) {
        SessionSummary summary;
        summary.name = folder.fileName();
        summary.folder = folder.absoluteFilePath();
        summary.start = JournalFiles::startOfSession(summary.name);
        for (const QFileInfo& file : QDir(summary.folder).entryInfoList(QDir::Files)) {
            summary.bytes += file.size();
            if (QDir::match(JournalFiles::kRunFilePattern, file.fileName()))
                ++summary.runs;
        }
        found << summary;
    }
    return found;
}

std::optional<JournalReader::Session> JournalReader::session(const QString& root,
                                                             const QString& which, QString& error)
{
    QString folder;
    if (which == kLast) {
        const QList<SessionSummary> all = sessions(root);
        if (all.isEmpty()) {
            error = kNoSessions.arg(root);
            return std::nullopt;
        }
        folder = all.first().folder;
    } else if (!which.isEmpty() && !which.contains(QLatin1Char('/')) &&
               QFileInfo(QDir(root).filePath(which)).isDir()) {
        folder = QDir(root).absoluteFilePath(which); // a session's name
    } else if (!which.isEmpty() && QFileInfo(which).isDir()) {
        folder = QFileInfo(which).absoluteFilePath();
    } else {
        error = kNoSession.arg(which, root);
        return std::nullopt;
    }

    Session session;
    session.folder = folder;
    session.name = QFileInfo(folder).fileName();
    const QString sessionPath = QDir(folder).filePath(JournalFiles::kSessionFile);
    QString reason;
    std::map<int, RunRecord> runs;
    if (!QFileInfo::exists(sessionPath)) {
        session.messages << kSessionMissing.arg(sessionPath);
    } else if (std::optional<std::map<int, RunRecord>> listed = listedRuns(sessionPath, reason)) {
        runs = std::move(*listed);
    } else {
        session.messages << kSessionDamaged.arg(sessionPath, reason);
    }
    const bool rebuilt = !session.messages.isEmpty();
    for (const QFileInfo& capture : runCaptures(folder)) {
        const std::optional<int> number = JournalFiles::runOfFile(capture.fileName());
        if (!number || runs.count(*number) != 0)
            continue;
        RunRecord run = runFromFiles(folder, *number, session.messages);
        if (!rebuilt)
            session.messages
                << kRunRebuilt.arg(*number).arg(JournalFiles::kSessionFile).arg(run.blocks);
        runs[*number] = run;
    }
    for (auto& [number, run] : runs)
        session.runs << run;
    return session;
}

QString JournalReader::registerListing(const QString& folder, int number)
{
    QFile file(QDir(folder).filePath(JournalFiles::listingFile(number)));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    // The journal writes listings cut at this length; a longer file is read as far.
    return QString::fromLatin1(file.read(RunCutter::kListingCap));
}
