// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/RunAnalyses.h"

#include "capture/CaptureFile.h"
#include "core/analysis/RunAnalysis.h"
#include "core/journal/JournalFiles.h"
#include "core/link/QueuedCall.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <atomic>

namespace {
// Reads the capture file at `path`; nothing, with the reason in `error`, when it cannot be.
// `stop` cuts the work short: what is read after it is set is not analysed.
RunAnalyses::Analysis readFile(const QString& path, const std::atomic<bool>* stop, QString& error)
{
    auto analysis = std::make_shared<RunAnalysis>(MoveFinder::Settings{});
    const CaptureFile::ReadResult read = CaptureFile::read(
        QFile::encodeName(path).toStdString(), [&](const CaptureCsv::RecordedBlock& block) {
            if (!stop || !stop->load(std::memory_order_relaxed))
                analysis->addBlock(block.number, block.value, block.timeGridMs);
        });
    // A torn last block (a run still being written, or a window killed mid-run) is left out;
    // anything else wrong with the file leaves the run without an analysis.
    if (!read.cannotOpen.empty() || read.rows.error.line != 0) {
        error = QStringLiteral("%1: %2").arg(
            path, QString::fromStdString(CaptureFile::describeFault(read)));
        return nullptr;
    }
    return analysis;
}
} // namespace

RunAnalyses::RunAnalyses(QObject* parent) : QObject(parent), worker_([this] { work(); }) {}

RunAnalyses::~RunAnalyses()
{
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    cancel_.store(true, std::memory_order_relaxed);
    wake_.notify_all();
    worker_.join();
}

QString RunAnalyses::pathOf(const QString& folder, int number)
{
    return QDir(folder).filePath(JournalFiles::blocksFile(number));
}

RunAnalyses::Analysis RunAnalyses::keptLocked(const QString& path)
{
    const auto found = kept_.find(path);
    if (found == kept_.end())
        return nullptr;
    found->lastUse = ++uses_;
    return found->analysis;
}

RunAnalyses::Analysis RunAnalyses::kept(const QString& folder, int number)
{
    const std::lock_guard lock(mutex_);
    return keptLocked(pathOf(folder, number));
}

void RunAnalyses::keepLocked(const QString& path, const Analysis& analysis)
{
    kept_.insert(path, {analysis, ++uses_});
    while (kept_.size() > kKept) {
        const auto oldest =
            std::min_element(kept_.cbegin(), kept_.cend(),
                             [](const Entry& a, const Entry& b) { return a.lastUse < b.lastUse; });
        kept_.erase(oldest);
    }
}

void RunAnalyses::want(const QString& folder, const QList<Run>& runs)
{
    {
        const std::lock_guard lock(mutex_);
        wanted_.clear();
        for (const Run& run : runs)
            wanted_.push_back({folder, run, true});
    }
    wake_.notify_one();
}

void RunAnalyses::readAhead(const QString& folder, const QList<int>& numbers)
{
    {
        const std::lock_guard lock(mutex_);
        ahead_.clear();
        for (const int number : numbers) {
            const QString path = pathOf(folder, number);
            if (!kept_.contains(path) && path != reading_)
                ahead_.push_back({folder, {number, true}, false});
        }
    }
    wake_.notify_one();
}

RunAnalyses::Analysis RunAnalyses::readNow(const QString& folder, Run run, QString& error)
{
    const QString path = pathOf(folder, run.number);
    if (run.ended) {
        if (Analysis analysis = kept(folder, run.number))
            return analysis;
    }
    Analysis analysis = readFile(path, nullptr, error);
    if (analysis && run.ended) {
        const std::lock_guard lock(mutex_);
        keepLocked(path, analysis);
    }
    return analysis;
}

bool RunAnalyses::idle() const
{
    const std::lock_guard lock(mutex_);
    return wanted_.empty() && ahead_.empty() && !busy_;
}

void RunAnalyses::work()
{
    for (;;) {
        Job job;
        Analysis analysis;
        {
            std::unique_lock lock(mutex_);
            busy_ = false;
            wake_.wait(lock, [this] { return stop_ || !wanted_.empty() || !ahead_.empty(); });
            if (stop_)
                return;
            std::deque<Job>& from = wanted_.empty() ? ahead_ : wanted_;
            job = from.front();
            from.pop_front();
            const QString path = pathOf(job.folder, job.run.number);
            if (job.run.ended)
                analysis = keptLocked(path);
            // Read ahead and kept already: nothing to do, nor to tell.
            if (analysis && !job.wanted)
                continue;
            busy_ = true;
            reading_ = job.run.ended ? path : QString();
        }
        QString error;
        const bool fresh = !analysis;
        if (fresh)
            analysis = readFile(pathOf(job.folder, job.run.number), &cancel_, error);
        {
            const std::lock_guard lock(mutex_);
            reading_.clear();
            if (stop_)
                return;
            // Kept here rather than where it is handed over, so a run wanted while it was read
            // ahead is found kept and not read twice.
            if (fresh && analysis && job.run.ended)
                keepLocked(pathOf(job.folder, job.run.number), analysis);
        }
        queueCall(this, [this, job, analysis, error] { deliver(job, analysis, error); });
    }
}

void RunAnalyses::deliver(const Job& job, const Analysis& analysis, const QString& error)
{
    Q_EMIT read(job.folder, job.run.number, analysis, error);
}
