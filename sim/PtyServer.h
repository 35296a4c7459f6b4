// SPDX-License-Identifier: GPL-3.0-or-later
// Serves a ChipModel on the master side of a pseudo-terminal: one poll loop that reads commands,
// writes answers and blocks when the model says they are due, and ends on a stop request or
// when the device is to vanish.
//
// While the program has the slave closed, the Linux master polls as hung up (and reads give
// EIO). The server then neither reads nor writes: it sleeps in short steps and looks again, so
// it does not spin. Paced blocks that fall due meanwhile are thrown away, like a chip's bytes on
// a line that nobody listens to; an unpaced stream simply waits, as its pace is the reader's.
// Nothing piles up for the program's next open.
//
// Writes never block the loop. Paced: whatever the pty does not take at once is dropped.
// Unpaced: the rest waits for the master to become writable again.
#pragma once

#include "ChipModel.h"
#include "LinePacer.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <functional>
#include <string>
#include <optional>
#include <string_view>

namespace kdsp {

struct ServeSettings
{
    // After this many blocks (0: never) the device vanishes; see linger.
    std::uint64_t vanishAfter = 0;
    // Time left to the reader to take the last block before the device is closed.
    std::chrono::milliseconds vanishLinger{250};
    // Paced output goes out through the line in chunks of this period, at the line rate
    // (0: each block whole, at the moment it has gone out on the line).
    SimTime chunkPeriod{0};
    // While the line is open, this text is sent over and over at the line rate, one line at a
    // time, between the chip's answers (empty: none). Needs a chunk period.
    std::string textStream;
    // Called with one line of text per event when set (--verbose).
    std::function<void(std::string_view)> log;
};

enum class ServeEnd { StopRequested, Vanished, Failed };

class PtyServer
{
public:
    // masterFd must be non-blocking; the server does not close it.
    PtyServer(int masterFd, ChipModel& model, ServeSettings settings);

    // Runs until *stopRequested becomes non-zero (set by a signal handler), the device
    // vanishes, or the pty fails. waitMask is the signal mask to wait with (ppoll), so that
    // signals blocked elsewhere are delivered only while waiting and never get lost.
    ServeEnd run(const volatile std::sig_atomic_t& stopRequested, const sigset_t& waitMask);

private:
    void log(const std::string& text) const;
    SimTime now() const;
    void setLineOpen(bool open);
    bool readCommands(SimTime now);
    void produce(SimTime now);
    bool writePending();
    void feedTextStream(SimTime now);
    SimTime waitTime(SimTime now) const;

    int m_master;
    ChipModel& m_model;
    ServeSettings m_settings;
    bool m_lineOpen = false;
    SimTime m_lineClosedAt{0}; // when the reader last closed the line
    // Bytes taken from the model but not yet written (unpaced only).
    std::string m_pending;
    std::size_t m_pendingOffset = 0;
    // Paced output with a chunk period: the line between the chip and the reader.
    std::optional<LinePacer> m_line;
    std::size_t m_textOffset = 0; // where the next line of the text stream starts
    bool m_textRunning = false;   // the text stream has started on the open line
};

} // namespace kdsp
