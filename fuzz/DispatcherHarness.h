// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A loaded core on the fake port, with no window, for fuzzing the receive dispatcher, with a model of what the
// port holds and of what every receive event must have done. One harness lives for the whole
// fuzzing run; reset() brings it back to the same starting point before every input.
//
// The model: `waiting` mirrors the port's receive buffer byte for byte (what was delivered while
// the port was open, zero bytes dropped when null discarding is on, emptied by every open and by
// writing 0 to the buffer count, read from the front). Before each receive event it is compared
// with the port, and after the event the window is compared with what the mode's rules make of
// those bytes: the console's text, the timing readouts, the captured block and the trace the core
// asks to be drawn.

#include "support/CoreFixture.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class DispatcherHarness
{
public:
    DispatcherHarness();
    ~DispatcherHarness();

    // The starting point of every input: port 1 chosen and closed, nothing received, the shared
    // state, console, scope and readouts as start-up left them.
    void reset();

    Core& core() { return *core_; }
    FakeComm& comm() { return *comm_; }

    // The operations an input is made of. Each keeps the model in step with the port.
    void setMode(quint8 mode);
    void reopen(int profileIndex);
    void open();
    void close();
    void setThreshold(int count);
    void setReadLength(int count);
    void setNullDiscard(bool on);
    void deliver(const QByteArray& bytes);
    void raiseLineEvent(int code);
    void failOpens(int number);
    void setPortNumber(quint8 number);
    void loseDevice();
    void emptyBuffer();
    void setBreak();
    void runEvents(int passes);

    // Runs the event loop until no receive event comes any more (it must stop within a bound)
    // and checks that none is still owed: bytes at the threshold of an open port in a known
    // mode are always taken.
    void settleAndCheck();

private:
    // What the port and the core showed as an event was raised.
    struct Before
    {
        int code = 0;
        quint8 mode = 0;
        bool open = false;
        int readLength = 0;
        QByteArray waiting;
        QString text;
        double timeGrid = 0;
        QString gridCaption;
        QString pidCaption;
        qsizetype messages = 0;
        int clears = 0;
        qsizetype drawn = 0;
    };

    void build();
    void beforeEvent();
    void afterEvent();
    void checkConsole(const Before& b);
    void checkTiming(const Before& b);
    void checkCapture(const Before& b);
    void checkModelMatchesPort() const;
    // Line breaks in the console are CR LF pairs, nothing else.
    void checkConsoleText() const;
    // The bytes the next read takes, as the read length allows.
    static QByteArray firstRead(const QByteArray& waiting, int readLength);

    std::unique_ptr<FakeComm> comm_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<MemorySettings> settings_;
    std::unique_ptr<RecordedImages> images_;
    std::unique_ptr<Core> core_;
    // What the core asked to be drawn since the last reset, and the lines it printed.
    QList<ShownRecord::Block> drawn_;
    int clearsBeforeLastBlock_ = 0;
    int clears_ = 0;
    qsizetype printed_ = 0;

    SharedState startState_;
    QString startGridCaption_;
    QString startPidCaption_;

    QByteArray waiting_;   // the model of the receive buffer
    QList<Before> raised_; // events being handled, innermost last (handlers may nest)
    int eventsHandled_ = 0;
    // Set by operations that may leave bytes waiting with no event due (an unknown mode, a
    // threshold changed under bytes already held); the liveness check is then skipped.
    bool mayStall_ = false;
};
