// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One run of the scope as the runs and their journal know it: the blocks that arrived between a
// start of the scope and the end of its stream, what was sent to the chip before it, the register
// listing it ran under, and its figures.

#include "core/analysis/RunFigures.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

struct RunRecord
{
    int number = 0;  // within its session, from 1
    QDateTime start; // the first block's arrival
    QDateTime end;   // invalid while the run goes on
    int portNumber = 0;
    QString device;
    double timeGridMs = 0; // the grid in force at the first block
    long long blocks = 0;
    // Every line sent from the command line and every option item's command chosen since the
    // previous run ended, verbatim and in order.
    QStringList sent;
    // The register listing last received before the run, as the chip sent it (empty: none).
    QString registerListing;
    // What was sent to the chip after that listing was asked for and before the run began, in
    // order: any of it may have changed a register, so the listing may no longer be what the run
    // ran under. Empty with no listing, and in journals written before it was kept.
    QStringList sentSinceListing;
    // Nothing while the run goes on, or when its files could not give them.
    std::optional<RunFigures::Values> figures;

    // The label people read: the sent items joined, empty when nothing was sent.
    QString label() const { return sent.join(QStringLiteral("; ")); }
    qint64 durationMs() const { return end.isValid() ? start.msecsTo(end) : 0; }
};
