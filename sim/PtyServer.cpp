// SPDX-License-Identifier: GPL-3.0-or-later
#include "PtyServer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kdsp {

namespace {

using namespace std::chrono_literals;

// While nobody has the slave open: how often to look whether somebody has opened it. A reader
// that closes and reopens the port around every block (the scope does) is back within a
// fraction of a millisecond, so look often at first and back off once the line stays closed.
constexpr SimTime kClosedLineQuickRecheck = 200us;
constexpr SimTime kClosedLineQuickPeriod = 50ms;
constexpr SimTime kClosedLineRecheck = 20ms;
// Longest sleep with nothing due; only bounds the wait, nothing depends on it.
constexpr SimTime kIdleWait = 200ms;
// Unpaced, with bytes waiting: look again at least this often even if no POLLOUT comes.
constexpr SimTime kWritableRecheck = 10ms;
// Unpaced: blocks taken from the model in one turn of the loop while the pty takes them.
constexpr int kMaxBlocksPerTurn = 16;
constexpr std::size_t kReadChunk = 256;
constexpr std::size_t kMaxLoggedBytes = 40;

timespec toTimespec(SimTime wait)
{
    const auto clamped = std::max(wait, SimTime{0});
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(clamped);
    return {static_cast<time_t>(seconds.count()), static_cast<long>((clamped - seconds).count())};
}

// Printable view of bytes for the log: control characters as \r, \n or \xNN.
std::string escaped(std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes.substr(0, kMaxLoggedBytes)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (byte < 0x20 || byte > 0x7e) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xf];
        } else {
            out += c;
        }
    }
    if (bytes.size() > kMaxLoggedBytes) {
        out += "...";
    }
    return out;
}

} // namespace

PtyServer::PtyServer(int masterFd, ChipModel& model, ServeSettings settings)
    : m_master(masterFd), m_model(model), m_settings(std::move(settings))
{
    if (m_settings.chunkPeriod > SimTime{0} && m_model.config().paced) {
        m_line.emplace(m_settings.chunkPeriod);
    }
}

void PtyServer::log(const std::string& text) const
{
    if (m_settings.log) {
        m_settings.log(text);
    }
}

SimTime PtyServer::now() const
{
    return std::chrono::duration_cast<SimTime>(std::chrono::steady_clock::now().time_since_epoch());
}

void PtyServer::setLineOpen(bool open)
{
    if (open == m_lineOpen) {
        return;
    }
    m_lineOpen = open;
    m_lineClosedAt = now();
    m_pending.clear();
    m_pendingOffset = 0;
    if (m_line) {
        m_line->clear();
    }
    m_textRunning = false;
    if (open) {
        m_model.readerReady();
    }
    log(open ? "device opened" : "device closed");
}

// Reads everything waiting. Returns false when the line turned out to be closed.
bool PtyServer::readCommands(SimTime now)
{
    char buffer[kReadChunk];
    for (;;) {
        const ssize_t count = ::read(m_master, buffer, sizeof buffer);
        if (count > 0) {
            // In packet mode each read starts with a status byte: TIOCPKT_DATA before the bytes
            // the program wrote, or events alone. The program flushing its input (the scope does
            // as it reopens the port after each block) means it has taken the block sent before:
            // whatever arrives from now on reaches it.
            const auto status = static_cast<unsigned char>(buffer[0]);
            if (status != TIOCPKT_DATA) {
                if ((status & TIOCPKT_FLUSHREAD) != 0) {
                    m_model.readerReady();
                }
                continue;
            }
            const std::string_view bytes(buffer + 1, static_cast<std::size_t>(count) - 1);
            if (bytes.empty()) {
                continue;
            }
            log("received \"" + escaped(bytes) + "\"");
            m_model.receive(bytes, now);
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        // EIO (or end of file): the slave side is closed.
        setLineOpen(false);
        return false;
    }
}

// Takes from the model what is due and hands it to the line.
void PtyServer::produce(SimTime now)
{
    if (m_model.config().paced) {
        // Paced blocks are due when they have gone out on the line: one due right after another
        // follows it without a gap.
        const SimTime due = std::min(m_model.nextDue().value_or(now), now);
        std::string bytes = m_model.takeOutput(now);
        if (bytes.empty() && !m_line) {
            return;
        }
        if (!m_lineOpen) {
            return; // lost on a line nobody has open
        }
        if (m_line) {
            m_line->push(bytes, due);
            feedTextStream(now);
            bytes = m_line->release(now);
            feedTextStream(now); // the stream never leaves the line idle
        }
        if (bytes.empty()) {
            return;
        }
        m_pending = std::move(bytes);
        m_pendingOffset = 0;
        writePending();
        if (m_pendingOffset < m_pending.size()) {
            log("lost " + std::to_string(m_pending.size() - m_pendingOffset) +
                " bytes: nobody reads");
        }
        m_pending.clear();
        m_pendingOffset = 0;
        return;
    }
    if (!m_lineOpen) {
        return;
    }
    for (int turn = 0; turn < kMaxBlocksPerTurn && m_pending.empty(); ++turn) {
        const std::optional<SimTime> due = m_model.nextDue();
        if (!due || *due > now) {
            return;
        }
        m_pending = m_model.takeOutput(now);
        m_pendingOffset = 0;
        if (!writePending()) {
            return;
        }
    }
}

// Writes as much of m_pending as the pty takes without blocking. Returns true when all of it
// went out; what is left stays in m_pending.
bool PtyServer::writePending()
{
    while (m_pendingOffset < m_pending.size()) {
        const ssize_t count = ::write(m_master, m_pending.data() + m_pendingOffset,
                                      m_pending.size() - m_pendingOffset);
        if (count > 0) {
            m_pendingOffset += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            setLineOpen(false);
        }
        return false;
    }
    m_pending.clear();
    m_pendingOffset = 0;
    return true;
}

// Keeps a line of the text stream queued behind whatever the line is sending.
void PtyServer::feedTextStream(SimTime now)
{
    const std::string& text = m_settings.textStream;
    if (text.empty() || m_line->queued() > 0) {
        return;
    }
    // The first line starts now; the next ones follow back to back, as a chip's UART sends them.
    const SimTime start = m_textRunning ? m_line->freeAt() : now;
    m_textRunning = true;
    std::size_t end = text.find(kLineEnd, m_textOffset);
    end = end == std::string::npos ? text.size() : end + kLineEnd.size();
    m_line->push(std::string_view(text).substr(m_textOffset, end - m_textOffset), start);
    m_textOffset = end == text.size() ? 0 : end;
}

SimTime PtyServer::waitTime(SimTime now) const
{
    std::optional<SimTime> due = m_model.nextDue();
    if (m_line && m_lineOpen) {
        if (const std::optional<SimTime> release = m_line->nextRelease()) {
            due = due ? std::min(*due, *release) : *release;
        }
    }
    SimTime wait = kIdleWait;
    if (due) {
        wait = *due <= now ? SimTime{0} : std::min(*due - now, kIdleWait);
    }
    if (!m_pending.empty()) {
        wait = std::min(wait, kWritableRecheck);
    }
    return wait;
}

ServeEnd PtyServer::run(const volatile std::sig_atomic_t& stopRequested, const sigset_t& waitMask)
{
    std::optional<SimTime> vanishAt;
    while (stopRequested == 0) {
        const SimTime start = now();
        produce(start);
        if (!m_pending.empty()) {
            writePending();
        }

        const bool allBlocksOut = m_settings.vanishAfter > 0 &&
                                  m_model.blocksSent() >= m_settings.vanishAfter &&
                                  m_pending.empty() && (!m_line || m_line->queued() == 0);
        if (allBlocksOut && !vanishAt) {
            log("last block sent; the device vanishes shortly");
            vanishAt = start + m_settings.vanishLinger;
        }
        if (vanishAt && start >= *vanishAt) {
            return ServeEnd::Vanished;
        }

        SimTime wait = waitTime(start);
        if (vanishAt) {
            wait = std::min(wait, *vanishAt - start);
        }
        pollfd master{m_master, static_cast<short>(POLLIN | (m_pending.empty() ? 0 : POLLOUT)), 0};
        const timespec timeout = toTimespec(m_lineOpen ? wait : SimTime{0});
        const int ready = ::ppoll(&master, 1, &timeout, &waitMask);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            log(std::string("poll failed: ") + std::strerror(errno));
            return ServeEnd::Failed;
        }

        const SimTime woke = now();
        bool hungUp = (master.revents & (POLLHUP | POLLERR)) != 0;
        if (!hungUp) {
            setLineOpen(true);
        }
        if ((master.revents & POLLIN) != 0 && !readCommands(woke)) {
            hungUp = true;
        }
        if (hungUp) {
            setLineOpen(false);
            // Nobody listens: sleep a little (but not past a paced block) and look again.
            SimTime sleep = woke - m_lineClosedAt < kClosedLineQuickPeriod ? kClosedLineQuickRecheck
                                                                            : kClosedLineRecheck;
            if (m_model.config().paced) {
                sleep = std::min(sleep, waitTime(woke));
            }
            const timespec pause = toTimespec(sleep);
            ::ppoll(nullptr, 0, &pause, &waitMask);
            continue;
        }
        if ((master.revents & POLLOUT) != 0) {
            writePending();
        }
    }
    return ServeEnd::StopRequested;
}

} // namespace kdsp
