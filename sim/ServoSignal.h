// SPDX-License-Identifier: GPL-3.0-or-later
// The tracking error of a simulated servo axis, one byte per sample, centred on 128.
//
// The axis makes point-to-point moves with a trapezoidal velocity profile every 0.6 to 1.0 s of
// chip time. The actual position follows the commanded one through an under-damped
// second-order loop, so the error (commanded minus actual) shows a following error while the
// axis travels, overshoot and decaying ringing when it accelerates or stops, and a little noise
// at rest. The whole sequence is fixed by the seed, the sample period and the loop's scales as
// they change (at their reset of 1, a 9 Hz loop with a damping of 0.2).
//
// Given a KnownSignalShape with moves or an oscillation, the axis makes those instead (see
// KnownSignal), with their noise.
#pragma once

#include "KnownSignal.h"
#include "SimRandom.h"

#include <chrono>
#include <cstdint>
#include <optional>

namespace kdsp {

class ServoSignal
{
public:
    // samplePeriod is the chip time between two samples; zero or less is taken as the shortest
    // period the chip knows (timing digit 1).
    ServoSignal(std::uint64_t seed, std::chrono::nanoseconds samplePeriod,
                const KnownSignalShape& known = {});

    // The next sample of tracking error.
    std::uint8_t next();

    // How many samples next() has produced (or skipTo() has passed over).
    std::uint64_t sampleIndex() const { return m_index; }

    // Index of the sample at which the next move begins; always >= sampleIndex(). The sample
    // at this index is the first one taken with the new move under way.
    std::uint64_t nextMoveStart() const
    {
        return m_known ? m_known->nextPeriodStart(m_index) : m_nextMoveStart;
    }

    // Runs the axis on, without keeping the samples, until sampleIndex() == index.
    void skipTo(std::uint64_t index);

    std::chrono::nanoseconds samplePeriod() const { return m_samplePeriod; }

    // The loop from the next sample on: its stiffness (natural frequency squared) times
    // `proportional`, its velocity feedback (twice damping times natural frequency) times
    // `derivative`. Both 1.0 give the reset loop, bit for bit. Known signals ignore them.
    void setLoopScales(double proportional, double derivative);

    // Whether the semi-implicit Euler steps of the loop stay stable, with a wide margin, at
    // these scales and this sample period. A step of h on x'' = -w^2 x - c x' is stable while
    // c h < 2 and (w h)^2 < 4 - 2 c h; this asks for a quarter of that room.
    static constexpr bool integrationStable(double proportional, double derivative,
                                            std::chrono::nanoseconds samplePeriod)
    {
        const double h = static_cast<double>(samplePeriod.count()) * 1e-9 / kSubstepsPerSample;
        const double wh2 = kLoopOmega * kLoopOmega * proportional * h * h;
        const double ch = 2.0 * kLoopDamping * kLoopOmega * derivative * h;
        return proportional > 0 && derivative >= 0 && wh2 + 2.0 * ch < kStabilityMargin * 4.0;
    }

private:
    static constexpr double kPi = 3.14159265358979323846;
    // The position loop at reset: natural frequency and damping. A damping of 0.2 overshoots by
    // about half and rings down with a time constant of 1 / (0.2 * 2 pi * 9 Hz), about 90 ms.
    static constexpr double kLoopFrequencyHz = 9.0;
    static constexpr double kLoopDamping = 0.2;
    static constexpr double kLoopOmega = 2.0 * kPi * kLoopFrequencyHz;
    // Each sample period is integrated in this many steps, which keeps the loop stable and
    // smooth for every timing digit.
    static constexpr int kSubstepsPerSample = 8;
    static constexpr double kStabilityMargin = 0.25;

    void startMove();
    double commandedOffset(double elapsed) const;
    void advanceOneSample();

    SimRandom m_random;
    std::chrono::nanoseconds m_samplePeriod;
    std::optional<KnownSignal> m_known;
    double m_knownNoiseSteps = 0;
    double m_substep;
    double m_stiffness = kLoopOmega * kLoopOmega;
    double m_velocityFeedback = 2.0 * kLoopDamping * kLoopOmega;

    std::uint64_t m_index = 0;
    std::uint64_t m_nextMoveStart = 0;

    // The current (or last) move: from m_moveOrigin by m_moveDirection * m_moveDistance counts.
    double m_moveOrigin = 0.0;
    double m_moveDirection = 1.0;
    double m_moveDistance = 0.0;
    double m_accelTime = 0.0;
    double m_cruiseTime = 0.0;
    double m_peakSpeed = 0.0;
    std::uint64_t m_moveSubsteps = 0; // substeps since the current move began

    // The actual axis position and speed, in counts and counts per second.
    double m_position = 0.0;
    double m_speed = 0.0;
    double m_commanded = 0.0;
};

} // namespace kdsp
