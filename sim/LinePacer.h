// SPDX-License-Identifier: GPL-3.0-or-later
// The serial line between the chip and the adapter, as the reader's driver delivers it: bytes
// leave the chip one after another at 115200 8N1 (86.8 us each), and the adapter hands them on
// in chunks, every `period` on the steady clock (a USB CDC adapter polls every millisecond, an
// FTDI-style one flushes its buffer every few milliseconds). A chunk holds every byte that has
// finished its time on the wire by the chunk's tick.
#pragma once

#include "ChipModel.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kdsp {

class LinePacer
{
public:
    // period > 0.
    explicit LinePacer(SimTime period);

    SimTime period() const { return m_period; }

    // Queues bytes that the chip starts sending at `start` (or when the line is free, if it is
    // still busy with earlier bytes then). A start in the past is fine: bytes that were ready
    // back to back with earlier ones follow them without a gap.
    void push(std::string_view bytes, SimTime start);

    // When the last byte queued so far will have left the wire.
    SimTime freeAt() const;

    // The bytes handed on by the latest tick at or before `now`; they leave the queue.
    std::string release(SimTime now);

    // The tick at which release() will next have something, or nothing when the queue is empty.
    std::optional<SimTime> nextRelease() const;

    std::size_t queued() const { return m_queue.size() - m_offset; }
    // Forgets what is queued; the line is idle from then on.
    void clear();

private:
    // When byte `index` (counted from the start of the current busy run) has left the wire.
    SimTime finishTime(std::uint64_t index) const;
    SimTime tickAtOrBefore(SimTime time) const;

    SimTime m_period;
    std::string m_queue;
    std::size_t m_offset = 0;
    // The current busy run of the line started at m_runStart; m_runSent of its bytes are out.
    SimTime m_runStart{0};
    std::uint64_t m_runSent = 0;
    // When the last byte handed on had left the wire.
    SimTime m_lineFree{0};
};

} // namespace kdsp
