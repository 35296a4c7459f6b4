// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/record/Recorder.h"

#include "core/Core.h"
#include "core/record/CaptureWriter.h"

#include <cstdio>

namespace {
const QString kStoppedRecording = QStringLiteral("trevalon: recording to %1 stopped: %2\n");
} // namespace

std::unique_ptr<Recorder> Recorder::start(const QString& path, Core& core, QString& error)
{
    long long lastBlock = 0;
    std::unique_ptr<CaptureWriter> writer = CaptureWriter::append(path, lastBlock, error);
    if (!writer)
        return nullptr;
    std::unique_ptr<Recorder> recorder(new Recorder(core, path, lastBlock, std::move(writer)));
    connect(&core, &Core::blockReceived, recorder.get(), &Recorder::takeBlock);
    return recorder;
}

Recorder::Recorder(Core& core, const QString& path, long long lastBlock,
                   std::unique_ptr<CaptureWriter> writer)
    : core_(core), path_(path), writer_(std::move(writer)), lastBlock_(lastBlock)
{
}

Recorder::~Recorder() = default;

void Recorder::takeBlock(const SampleBlock& block)
{
    if (failed_)
        return;
    if (!writer_->write(lastBlock_ + 1, block, core_.timeGrid())) {
        // Told once; the window goes on without recording.
        failed_ = true;
        failure_ = writer_->error();
        std::fputs(qPrintable(kStoppedRecording.arg(path_, failure_)), stderr);
        return;
    }
    ++lastBlock_;
    ++blocksWritten_;
}
