// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The analyses of a session's runs for its plots, worked out again from each run's capture file
// in the journal as `trevalon-cli analyse` does (the kept figures hold no moves or spectra) and
// kept once worked out: selecting runs again costs nothing. A run still being written is read up
// to its last whole block and not kept, as it grows.

#include <QHash>
#include <QString>

#include <memory>

class RunAnalysis;

class RunAnalyses
{
public:
    RunAnalyses();
    ~RunAnalyses();
    RunAnalyses(const RunAnalyses&) = delete;
    RunAnalyses& operator=(const RunAnalyses&) = delete;

    // Run `number` of the session in `folder`, or nothing (with the reason in `error`) when its
    // file cannot be read. `keep`: the run has ended and its file will not change.
    const RunAnalysis* of(const QString& folder, int number, bool keep, QString& error);
    // The capture file of run `number` in `folder`.
    static QString pathOf(const QString& folder, int number);

private:
    QHash<QString, std::shared_ptr<RunAnalysis>> kept_;
    std::shared_ptr<RunAnalysis> unkept_; // the last run read that goes on
};
