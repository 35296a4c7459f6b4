// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/journal/Journal.h"

#include "core/journal/JournalFiles.h"
#include "core/journal/JournalReader.h"
#include "core/record/CaptureWriter.h"
#include "core/runs/RunCutter.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>

#include <cstdio>

namespace {
const QString kStoppedLine = QStringLiteral("trevalon: the journal of runs stopped: %1\n");
const QString kCannotMake = QStringLiteral("%1 cannot be made");
const QString kStopped = QStringLiteral("journal stopped: %1");
const QString kKeeping = QStringLiteral("journal: %1 in %2");
const QString kOneRun = QStringLiteral("1 run");
const QString kRuns = QStringLiteral("%1 runs");
const QString kRemoved =
    QStringLiteral("%1 (the oldest %2 removed to keep the journal under %3 MB)");
const QString kOneSession = QStringLiteral("session");
const QString kSessions = QStringLiteral("%1 sessions");
const QString kSuffix = QStringLiteral("%1-%2");
const QString kSessionKey = QStringLiteral("session");
const QString kFormatKey = QStringLiteral("format");
const QString kRunsKey = QStringLiteral("runs");
} // namespace

Journal::Journal(RunCutter& cutter, const QString& root, qint64 capBytes, const QDateTime& started,
                 QObject* parent)
    : QObject(parent), root_(root), capBytes_(capBytes),
      sessionName_(JournalFiles::sessionName(started))
{
    connect(&cutter, &RunCutter::runStarted, this, &Journal::beginRun);
    connect(&cutter, &RunCutter::runBlock, this, &Journal::takeBlock);
    connect(&cutter, &RunCutter::runEnded, this, &Journal::endRun);
}

Journal::~Journal() = default;

QString Journal::pathOf(const QString& fileName) const
{
    return folder_ + QLatin1Char('/') + fileName;
}

void Journal::stop(const QString& reason)
{
    if (!failure_.isEmpty())
        return;
    failure_ = reason;
    writer_.reset();
    std::fputs(qPrintable(kStoppedLine.arg(reason)), stderr);
}

bool Journal::makeSessionFolder()
{
    if (!folder_.isEmpty())
        return true;
    QDir root(root_);
    // Two windows started in the same second keep a folder each.
    QString name = sessionName_;
    for (int n = 2; root.exists(name); ++n)
        name = kSuffix.arg(sessionName_).arg(n);
    if (!root.mkpath(name)) {
        stop(kCannotMake.arg(root.filePath(name)));
        return false;
    }
    sessionName_ = name;
    folder_ = root.filePath(name);
    return true;
}

void Journal::beginRun(const RunRecord& run)
{
    if (!failure_.isEmpty() || !makeSessionFolder())
        return;
    QString error;
    // The run's own file first: blocks without it could not be labelled when rebuilding.
    if (!JournalFiles::saveWhole(pathOf(JournalFiles::runFile(run.number)),
                                 QJsonDocument(JournalFiles::toJson(run, false)).toJson(), error)) {
        stop(error);
        return;
    }
    if (!run.registerListing.isEmpty() &&
        !JournalFiles::saveWhole(pathOf(JournalFiles::listingFile(run.number)),
                                 run.registerListing.toLatin1(), error)) {
        stop(error);
        return;
    }
    writer_ = CaptureWriter::create(pathOf(JournalFiles::blocksFile(run.number)), error);
    if (!writer_)
        stop(error);
}

void Journal::takeBlock(const RunRecord& run, const SampleBlock& block, double timeGridMs)
{
    if (!writer_)
        return;
    if (!writer_->write(run.blocks, block, timeGridMs))
        stop(QStringLiteral("%1: %2").arg(pathOf(JournalFiles::blocksFile(run.number)),
                                          writer_->error()));
}

void Journal::endRun(const RunRecord& run)
{
    writer_.reset();
    if (!failure_.isEmpty() || folder_.isEmpty())
        return;
    ended_.append(JournalFiles::toJson(run, true));
    QString error;
    if (!JournalFiles::saveWhole(pathOf(JournalFiles::runFile(run.number)),
                                 QJsonDocument(JournalFiles::toJson(run, false)).toJson(), error) ||
        !saveSession())
        return;
    keepUnderCap();
}

bool Journal::saveSession()
{
    const QJsonObject session{
        {kFormatKey, JournalFiles::kFormat}, {kSessionKey, sessionName_}, {kRunsKey, ended_}};
    QString error;
    if (!JournalFiles::saveWhole(pathOf(JournalFiles::kSessionFile),
                                 QJsonDocument(session).toJson(), error)) {
        stop(error);
        return false;
    }
    return true;
}

void Journal::keepUnderCap()
{
    const QList<JournalReader::SessionSummary> sessions = JournalReader::sessions(root_);
    qint64 total = 0;
    for (const JournalReader::SessionSummary& s : sessions)
        total += s.bytes;
    // Newest first: the oldest are taken from the back.
    for (auto s = sessions.crbegin(); s != sessions.crend() && total > capBytes_; ++s) {
        if (s->name == sessionName_)
            continue;
        if (QDir(s->folder).removeRecursively()) {
            total -= s->bytes;
            ++sessionsRemoved_;
        }
    }
}

QString Journal::statusText() const
{
    if (!failure_.isEmpty())
        return kStopped.arg(failure_);
    if (folder_.isEmpty())
        return QString();
    const int runs = runsKept();
    QString text = kKeeping.arg(runs == 1 ? kOneRun : kRuns.arg(runs), sessionName_);
    if (sessionsRemoved_ == 0)
        return text;
    return kRemoved.arg(text, sessionsRemoved_ == 1 ? kOneSession : kSessions.arg(sessionsRemoved_))
        .arg(capBytes_ / kBytesPerMB);
}
