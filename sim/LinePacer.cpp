// SPDX-License-Identifier: GPL-3.0-or-later
#include "LinePacer.h"

#include <algorithm>

namespace kdsp {

namespace {
// A byte's time on the wire is 10 bits at 115200 baud: 1e10 / 115200 ns = 781250 / 9 ns.
// Kept as a fraction so that a long run does not drift from the line rate.
constexpr std::int64_t kByteTimeNumerator = 1'000'000'000LL * kBitsPerByte;
constexpr std::int64_t kByteTimeDenominator = kBaudRate;
// Already handed-on bytes are dropped from the front of the queue in chunks.
constexpr std::size_t kCompactAfter = 4096;
} // namespace

LinePacer::LinePacer(SimTime period) : m_period(std::max(period, SimTime{1})) {}

SimTime LinePacer::finishTime(std::uint64_t index) const
{
    const auto bytes = static_cast<std::int64_t>(index + 1);
    // Rounded up: a byte is never handed on before it has fully left the wire.
    return m_runStart + SimTime{(bytes * kByteTimeNumerator + kByteTimeDenominator - 1) /
                                kByteTimeDenominator};
}

SimTime LinePacer::tickAtOrBefore(SimTime time) const
{
    const auto ticks = time.count() / m_period.count();
    return SimTime{ticks * m_period.count()};
}

void LinePacer::push(std::string_view bytes, SimTime start)
{
    if (bytes.empty())
        return;
    if (queued() == 0) {
        m_queue.clear();
        m_offset = 0;
        m_runStart = std::max(start, m_lineFree);
        m_runSent = 0;
    }
    m_queue.append(bytes);
}

std::string LinePacer::release(SimTime now)
{
    const SimTime tick = tickAtOrBefore(now);
    if (queued() == 0 || tick < m_runStart)
        return {};
    // Bytes of the run that have left the wire by the tick.
    const auto elapsed = (tick - m_runStart).count();
    const auto finished =
        static_cast<std::uint64_t>(elapsed * kByteTimeDenominator / kByteTimeNumerator);
    if (finished <= m_runSent)
        return {};
    const std::size_t count =
        static_cast<std::size_t>(std::min<std::uint64_t>(finished - m_runSent, queued()));
    std::string out = m_queue.substr(m_offset, count);
    m_offset += count;
    m_runSent += count;
    m_lineFree = finishTime(m_runSent - 1);
    // 115200 bytes take exactly ten seconds: the run's start moves on by whole ten seconds, so
    // the arithmetic above stays far from overflow however long the line stays busy.
    while (m_runSent >= static_cast<std::uint64_t>(kByteTimeDenominator)) {
        m_runStart += SimTime{kByteTimeNumerator};
        m_runSent -= static_cast<std::uint64_t>(kByteTimeDenominator);
    }
    if (m_offset >= kCompactAfter || m_offset == m_queue.size()) {
        m_queue.erase(0, m_offset);
        m_offset = 0;
    }
    return out;
}

std::optional<SimTime> LinePacer::nextRelease() const
{
    if (queued() == 0)
        return std::nullopt;
    const SimTime finish = finishTime(m_runSent);
    const SimTime tick = tickAtOrBefore(finish);
    return tick == finish ? tick : tick + m_period;
}

SimTime LinePacer::freeAt() const
{
    return queued() == 0 ? m_lineFree : finishTime(m_runSent + queued() - 1);
}

void LinePacer::clear()
{
    m_queue.clear();
    m_offset = 0;
    m_runSent = 0;
}

} // namespace kdsp
