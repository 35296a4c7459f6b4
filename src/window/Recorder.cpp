// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/Recorder.h"

#include "core/Core.h"
#include "core/scope/CaptureCsv.h"
#include "core/scope/CsvRows.h"

#include <QMouseEvent>
#include <QTimer>

#include <cstdio>
#include <fstream>

namespace {
const QString kCannotWrite = QStringLiteral("%1: %2");
const QString kNotACapture = QStringLiteral("%1 is not a capture file to add to (%2)");
const QString kStoppedRecording = QStringLiteral("trevalon: recording to %1 stopped: %2\n");

// The number of the last block already in the file (0 for a new or empty file), or nothing with
// the reason when the file is something else.
std::optional<long long> lastBlockIn(const QString& path, QString& reason)
{
    std::ifstream input(QFile::encodeName(path).toStdString(), std::ios::binary);
    if (!input || input.peek() == std::ifstream::traits_type::eof())
        return 0;
    long long last = 0;
    const CaptureCsv::ReadError error =
        CaptureCsv::read(input, [&](const CaptureCsv::RecordedBlock& b) { last = b.number; });
    if (error.line != 0) {
        reason = QString::fromStdString(CaptureCsv::describe(error));
        return std::nullopt;
    }
    return last;
}
} // namespace

std::unique_ptr<Recorder> Recorder::start(const QString& path, Core& core, QObject& surface,
                                          QString& error)
{
    QString reason;
    const std::optional<long long> last = lastBlockIn(path, reason);
    if (!last) {
        error = kNotACapture.arg(path, reason);
        return nullptr;
    }
    std::unique_ptr<Recorder> recorder(new Recorder(core, *last));
    recorder->file_.setFileName(path);
    // Unbuffered: each block reaches the system in one write as soon as it is drawn.
    if (!recorder->file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        error = kCannotWrite.arg(path, recorder->file_.errorString());
        return nullptr;
    }
    if (recorder->file_.size() == 0 &&
        recorder->file_.write(CsvRows::kHeader.toUtf8()) != CsvRows::kHeader.toUtf8().size()) {
        error = kCannotWrite.arg(path, recorder->file_.errorString());
        return nullptr;
    }
    surface.installEventFilter(recorder.get());
    connect(&core, &Core::blockDrawn, recorder.get(),
            [r = recorder.get()](const SampleBlock& block, int) { r->takeBlock(block); });
    return recorder;
}

Recorder::Recorder(Core& core, long long lastBlock) : core_(core), lastBlock_(lastBlock) {}

bool Recorder::eventFilter(QObject* watched, QEvent* event)
{
    // The right button's handler redraws the last block at once, within this press; the flag is
    // dropped on the next turn of the event loop in case it drew nothing.
    if (event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        redrawing_ = true;
        QTimer::singleShot(0, this, [this] { redrawing_ = false; });
    }
    return QObject::eventFilter(watched, event);
}

void Recorder::takeBlock(const SampleBlock& block)
{
    if (redrawing_) {
        redrawing_ = false;
        return;
    }
    if (failed_)
        return;
    const QByteArray rows =
        CsvRows::forBlock(static_cast<int>(lastBlock_ + 1), block, core_.timeGrid()).toUtf8();
    if (file_.write(rows) != rows.size()) {
        // Told once; the window goes on without recording.
        failed_ = true;
        std::fputs(qPrintable(kStoppedRecording.arg(file_.fileName(), file_.errorString())),
                   stderr);
        return;
    }
    ++lastBlock_;
    ++blocksWritten_;
}
