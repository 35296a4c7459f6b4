// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tracking-error figures of a run as the command-line program prints them: a line for each
// block as it comes and one for the whole run, or one JSON document written as the blocks come
// (each block's part as it is taken, the run's at the end), so nothing grows with the run.
// `capture --stats` and `stats FILE` print through this, so a capture and its file give the
// same text. Whatever happens, the JSON printed is one whole document or nothing.

#include "core/scope/BlockStats.h"

#include <QString>

class FiguresReport
{
public:
    explicit FiguresReport(bool json) : json_(json) {}

    // Takes block `number`'s sums; returns what to print now (a line, or the block's JSON).
    QString addBlock(long long number, const BlockStats::Accumulator& sums);
    // The file's torn last block, from `line` on, was left out; the JSON document says so.
    void noteDroppedTail(long long line) { droppedFromLine_ = line; }
    // What to print at the end: the run's line, or the JSON document's rest. Lines end with "\n".
    // `error`, when the run failed (a capture that lost its device): the JSON says so as "error",
    // beside the figures of the blocks taken.
    QString end(const QString& error = {}) const;
    // What closes the JSON document, without the run's figures, when the blocks' part stops at a
    // fault: "error" holds it. Nothing when no block's part was printed, so nothing begun;
    // nothing for text, whose fault goes only to standard error.
    QString endCutShort(const QString& error) const;

private:
    bool json_;
    long long blocks_ = 0;
    long long droppedFromLine_ = 0;
    BlockStats::Accumulator run_;
};
