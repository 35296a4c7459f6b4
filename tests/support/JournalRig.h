// SPDX-License-Identifier: GPL-3.0-or-later
// A core on the fake port, the runs it cuts and their journal in a folder a test gives, with
// blocks whose moves differ from run to run; and the two ways a test reads what was kept.
#pragma once

#include "capture/CaptureFile.h"
#include "core/analysis/RunAnalysis.h"
#include "core/journal/Journal.h"
#include "core/journal/JournalReader.h"
#include "core/runs/RunCutter.h"
#include "support/CoreFixture.h"

#include <QFile>

namespace JournalTests {
inline const QDateTime kSessionStart(QDate(2026, 12, 9), QTime(14, 5, 33));
inline const QString kSessionName = QStringLiteral("2026-12-09_14-05-33");
constexpr qint64 kNoCap = qint64(1) << 40;
// A grid whose sample times the capture file rounds, so that the figures kept equal the file's
// only when they are worked out on the grid the file gives.
constexpr double kGrid = 0.3333333;

// A block with one move, its peak growing with the seed.
inline SampleBlock moveBlock(int seed)
{
    SampleBlock block;
    for (int i = 1; i <= kBlockSize; ++i) {
        const int since = i - 50;
        const int level = since < 0 ? 128 : 128 + (60 + seed * 5) * std::max(0, 20 - since) / 20;
        block.entry[static_cast<std::size_t>(i)] = static_cast<quint8>(level + (i % 3));
    }
    return block;
}

struct JournalRig
{
    explicit JournalRig(const QString& root, qint64 cap = kNoCap,
                        const QDateTime& started = kSessionStart)
        : cutter(f.core), journal(cutter, root, cap, started)
    {
    }
    // A run of `blocks` blocks after sending `line` (none when empty); left going when `end` is
    // false. The fake chip answers no timing query: the grid is set for it.
    void run(int blocks, const QString& line = QString(), bool end = true)
    {
        if (!line.isEmpty())
            f.core.sendLine(line);
        f.core.startScope();
        stateOf(f.core).timeGrid = kGrid;
        for (int b = 0; b < blocks; ++b)
            CoreInsides::drawReceivedBlock(f.core, moveBlock(cutter.runsBegun() + b));
        if (end)
            f.core.stopScope();
    }
    CoreFixture f;
    RunCutter cutter;
    Journal journal;
};

// The newest session under `root`, empty (with a warning) when there is none.
inline JournalReader::Session readSession(const QString& root)
{
    QString error;
    const auto session = JournalReader::session(root, JournalReader::kLast, error);
    if (!session)
        qWarning("%s", qPrintable(error));
    return session.value_or(JournalReader::Session{});
}

// What `trevalon-cli analyse` finds in a capture file: the same analysis on the file's blocks.
inline RunFigures::Values figuresOfFile(const QString& path)
{
    RunAnalysis analysis{MoveFinder::Settings{}};
    CaptureFile::read(QFile::encodeName(path).toStdString(),
                      [&](const CaptureCsv::RecordedBlock& b) {
                          analysis.addBlock(b.number, b.value, b.timeGridMs);
                      });
    return analysis.figures();
}
} // namespace JournalTests
