// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status line: one text, in plain words, of where the line goes (the port and its device, or
// the simulated chip), what it is doing (idle, console, receiving blocks and how many a second),
// what went wrong and why as far as the program knows, and the recording. It watches the core's
// signals and composes the text at most twice a second: a block's arrival only counts, it never
// composes, so the cost at the line rate is a clock reading per block.
//
// A fault stays until something shows the line working again: a port failure until a block,
// console text, a timing reply or the next Start; the unanswered timing query until a reply.
// Whether a failed device was unplugged is asked again each time the text is composed: udev
// removes the device node some milliseconds after the read that failed, so the node may still
// be there at the failure and gone by the next period. Once seen gone, it stays an unplug.

#include "core/status/LiveFigures.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <optional>

class Core;
class QTimer;

class LineStatus : public QObject
{
    Q_OBJECT

public:
    // The text changes at most once in this period.
    static constexpr int kUpdatePeriodMs = 500;
    // A chip that sends no block this long after Start is silent.
    static constexpr qint64 kSilentAfterMs = 2000;
    // The block rate is counted over the blocks of this last stretch.
    static constexpr qint64 kRateWindowMs = 2000;

    // What a recording of the blocks reports.
    struct Recording
    {
        QString file;
        long long blocks = 0;
        QString failure; // why it could not start or stopped; empty while it records
        bool started = true;
    };

    explicit LineStatus(Core& core, QObject* parent = nullptr);

    // The simulated chip (the demonstration) serves `device`, replaying `replayFile` if given.
    void setSimulatedChip(const QString& device, const QString& replayFile = QString());
    // Where the recording's state is read when the text is composed.
    void setRecording(std::function<Recording()> recording);
    // Where the journal of runs tells its state in a few words (empty: nothing to tell), read
    // when the text is composed.
    void setJournal(std::function<QString()> journal);
    // Where the run under way stands among the session's runs (empty: nothing to tell), read
    // when the text is composed.
    void setRuns(std::function<QString()> runs);
    // Milliseconds from any fixed start; tests set their own clock.
    void setClock(std::function<qint64()> clock);

    QString text() const { return text_; }
    // Composes the text as of now, told by textChanged when it differs. Runs every period.
    void update();

Q_SIGNALS:
    void textChanged(const QString& text);

private:
    // A port failure as it was when it struck.
    struct PortFault
    {
        int number = 0;
        QString device;          // the device the port reached then (a refusal clears the choice)
        QString reason;          // the system's reason, if any
        QString place;           // the port, named as the line's place then
        bool deviceGone = false; // its node was seen missing while the fault was shown
    };

    void blockArrived();
    void portFailed(int number);
    QString where() const;
    QString activity(qint64 now) const;
    // Looks whether the failed device's node is still there, so an unplug is told as one.
    static QString failureText(PortFault& fault);
    QString recordingText() const;
    // Blocks a second over the rate window, 0 with fewer than two blocks in it.
    double blockRate(qint64 now) const;

    Core& core_;
    QTimer* timer_;
    std::function<qint64()> clock_;
    std::function<Recording()> recording_;
    std::function<QString()> journal_;
    std::function<QString()> runs_;
    QString simulatedDevice_;
    QString replayFile_;

    std::optional<PortFault> portFault_; // the last port failure, until the line works again
    bool timingUnanswered_ = false;
    bool awaiting_ = false; // the scope was started
    bool triggered_ = false;
    qint64 awaitedAt_ = 0;
    long long blocksSinceStart_ = 0;
    bool consoleText_ = false; // text came since the last update

    // The arrival times of the last blocks, a ring: enough for the rate window at the line rate.
    static constexpr int kTimesKept = 128;
    std::array<qint64, kTimesKept> arrivals_{};
    int arrivalCount_ = 0; // all blocks ever, so the ring's newest is (count - 1) % size

    LiveFigures figures_; // the last block's and the last settled move's

    QString text_;
};
