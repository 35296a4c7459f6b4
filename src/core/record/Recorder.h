// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// `trevalon --record FILE`: every block the scope draws from the chip is appended to FILE by the
// capture writer. The numbering goes on across Start and Stop, and after the whole blocks a file
// already holds (a torn one is cut off first), so a recording grown over several runs still reads
// as one.

#include <QObject>
#include <QString>

#include <memory>

class CaptureWriter;
class Core;
struct SampleBlock;

class Recorder : public QObject
{
    Q_OBJECT

public:
    // Starts recording the blocks `core` receives into `path`. Returns nothing, with the reason
    // in `error`, when the file cannot be written or is something other than a capture. A torn
    // last block in the file is cut off, with a line on standard error.
    static std::unique_ptr<Recorder> start(const QString& path, Core& core, QString& error);
    ~Recorder() override;

    // Blocks written in this run.
    int blocksWritten() const { return blocksWritten_; }
    QString fileName() const { return path_; }
    // Why the recording stopped (a failed write); empty while it records.
    QString failure() const { return failure_; }

private:
    Recorder(Core& core, const QString& path, long long lastBlock,
             std::unique_ptr<CaptureWriter> writer);
    void takeBlock(const SampleBlock& block);

    Core& core_;
    QString path_;
    std::unique_ptr<CaptureWriter> writer_;
    long long lastBlock_;
    int blocksWritten_ = 0;
    bool failed_ = false;
    QString failure_;
};
