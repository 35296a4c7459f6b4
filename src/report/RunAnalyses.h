// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The analyses of a session's runs for the Runs window's plots and reports, worked out again
// from each run's capture file in the journal as `trevalon-cli analyse` does (the kept figures
// hold no moves or spectra).
//
// Files are read on a thread of their own, one at a time, so the window never waits on a long
// run's file: the runs a user asks for (`want`) first, then those read ahead while nothing is
// asked for (`readAhead`: the session's last runs, the ones a tuner compares next). Each is
// handed back by `read`, on the thread that owns this object.
//
// An ended run's analysis is kept once read, at most kKept of them (a few hundred KB each), the
// one used longest ago given up first. A run still being written is read afresh each time it is
// asked for, up to its last whole block, and not kept, as it grows.

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class RunAnalysis;

class RunAnalyses : public QObject
{
    Q_OBJECT

public:
    static constexpr int kKept = 24;
    using Analysis = std::shared_ptr<const RunAnalysis>;
    struct Run
    {
        int number = 0;
        bool ended = true; // its file will not change
    };

    explicit RunAnalyses(QObject* parent = nullptr);
    // Waits for the file being read, no longer analysing it.
    ~RunAnalyses() override;
    RunAnalyses(const RunAnalyses&) = delete;
    RunAnalyses& operator=(const RunAnalyses&) = delete;

    // The kept analysis of ended run `number` of the session in `folder`, or nothing.
    Analysis kept(const QString& folder, int number);
    // Reads these runs' files ahead of anything else, in this order, in place of the runs wanted
    // before; each comes back by `read`, a kept one too.
    void want(const QString& folder, const QList<Run>& runs);
    // Reads these ended runs' files once nothing is wanted, in place of those asked for ahead
    // before; those kept already are left alone. Nothing: reads nothing more ahead.
    void readAhead(const QString& folder, const QList<int>& numbers);
    // Reads `run` on the calling thread unless kept, keeping it if it has ended; nothing, with
    // the reason in `error`, when its file cannot be read.
    Analysis readNow(const QString& folder, Run run, QString& error);
    // Nothing is waiting to be read or being read.
    bool idle() const;

    // The capture file of run `number` in `folder`.
    static QString pathOf(const QString& folder, int number);

Q_SIGNALS:
    // A wanted run's file or one read ahead has been read: `analysis` is nothing when it could
    // not be, with the reason in `error`.
    void read(const QString& folder, int number, RunAnalyses::Analysis analysis,
              const QString& error);

private:
    struct Job
    {
        QString folder;
        Run run;
        bool wanted = false;
    };
    struct Entry
    {
        Analysis analysis;
        quint64 lastUse = 0;
    };

    void work();
    void deliver(const Job& job, const Analysis& analysis, const QString& error);
    Analysis keptLocked(const QString& path);
    void keepLocked(const QString& path, const Analysis& analysis);

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> wanted_;
    std::deque<Job> ahead_;
    QString reading_; // the path of the ended run being read, if one is
    bool busy_ = false;
    bool stop_ = false;
    std::atomic<bool> cancel_{false}; // stop_, read without the lock while a file is read
    QHash<QString, Entry> kept_;
    quint64 uses_ = 0;
    std::thread worker_; // last: started once all above is in place
};
