// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The runs of one window session kept on disk as they happen (see JournalFiles for the files):
// a run's blocks are written as they arrive, by the capture writer `--record` uses, and
// session.json is replaced whole as each run ends. The session's folder is made at its first
// run, so a window that never ran the scope leaves nothing behind.
//
// A size cap on the whole journal removes the oldest whole sessions, never the current one. A
// write that fails (a full disk, a folder that cannot be written) stops the journal for the rest
// of the session: the scope goes on, and what was already written stays as it is.

#include "core/runs/RunRecord.h"

#include <QDateTime>
#include <QJsonArray>
#include <QObject>
#include <QString>

#include <memory>

class CaptureWriter;
class RunCutter;
struct SampleBlock;

class Journal : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kBytesPerMB = qint64(1024) * 1024;
    static constexpr qint64 kDefaultCapMB = 1024;

    // Keeps the runs `cutter` cuts in a session folder under `root`, named for `started`.
    Journal(RunCutter& cutter, const QString& root, qint64 capBytes,
            const QDateTime& started = QDateTime::currentDateTime(), QObject* parent = nullptr);
    ~Journal() override;

    QString root() const { return root_; }
    // The session's folder; empty until its first run.
    QString sessionFolder() const { return folder_; }
    int runsKept() const { return static_cast<int>(ended_.size()); }
    // Why the journal stopped; empty while it keeps the runs.
    QString failure() const { return failure_; }
    // Sessions the cap removed in this session.
    int sessionsRemoved() const { return sessionsRemoved_; }

    // For the status line: the journal's state in a few words; empty before the first run.
    QString statusText() const;

private:
    void beginRun(const RunRecord& run);
    void takeBlock(const RunRecord& run, const SampleBlock& block, double timeGridMs);
    void endRun(const RunRecord& run);
    bool makeSessionFolder();
    bool saveSession();
    void keepUnderCap();
    void stop(const QString& reason);
    QString pathOf(const QString& fileName) const;

    QString root_;
    qint64 capBytes_;
    QString sessionName_;
    QString folder_;
    std::unique_ptr<CaptureWriter> writer_;
    // The ended runs as session.json lists them: their register listings stay in their files,
    // not in memory.
    QJsonArray ended_;
    QString failure_;
    int sessionsRemoved_ = 0;
};
