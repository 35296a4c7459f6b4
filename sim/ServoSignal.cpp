// SPDX-License-Identifier: GPL-3.0-or-later
#include "ServoSignal.h"

#include "KdspProtocol.h"

#include <algorithm>
#include <cmath>

namespace kdsp {

namespace {

// Moves: distance, top speed and acceleration in encoder counts. At full speed the following
// error of this loop is 2 * damping / omega * speed, about 50 counts.
constexpr double kMinMoveDistance = 250.0;
constexpr double kMaxMoveDistance = 1200.0;
constexpr double kMinTopSpeed = 2500.0;
constexpr double kMaxTopSpeed = 5500.0;
constexpr double kAcceleration = 60'000.0;
// The axis turns back when its target wanders this far from home, so it stays on its travel.
constexpr double kTravelLimit = 3000.0;

// Move starts, in seconds of chip time: the first comes soon, the rest 0.6 to 1.0 s apart.
constexpr double kMinFirstMoveDelay = 0.1;
constexpr double kMaxFirstMoveDelay = 0.4;
constexpr double kMinMoveInterval = 0.6;
constexpr double kMaxMoveInterval = 1.0;

// One count of tracking error is one step of the byte; the noise is about a step.
constexpr double kCountsPerStep = 1.0;
constexpr double kNoiseSteps = 1.0;
constexpr double kMinByte = 0.0;
constexpr double kMaxByte = 255.0;

std::uint64_t samplesIn(double seconds, std::chrono::nanoseconds period)
{
    const double samples = seconds * 1e9 / static_cast<double>(period.count());
    return std::max<std::uint64_t>(1, static_cast<std::uint64_t>(std::llround(samples)));
}

} // namespace

ServoSignal::ServoSignal(std::uint64_t seed, std::chrono::nanoseconds samplePeriod,
                         const KnownSignalShape& known)
    : m_random(seed),
      m_samplePeriod(samplePeriod.count() > 0 ? samplePeriod : kSamplePeriodPerDigit),
      m_substep(static_cast<double>(m_samplePeriod.count()) * 1e-9 / kSubstepsPerSample)
{
    if (known.replacesServo()) {
        m_known.emplace(known, m_samplePeriod);
        m_knownNoiseSteps = known.noiseSteps;
    }
    m_nextMoveStart =
        samplesIn(m_random.uniform(kMinFirstMoveDelay, kMaxFirstMoveDelay), m_samplePeriod);
}

void ServoSignal::setLoopScales(double proportional, double derivative)
{
    // Scaled constants rather than a scaled frequency and damping: at scales of exactly 1.0 the
    // products are the reset constants themselves, so the reset loop's samples do not move by
    // a bit.
    m_stiffness = kLoopOmega * kLoopOmega * proportional;
    m_velocityFeedback = 2.0 * kLoopDamping * kLoopOmega * derivative;
}

void ServoSignal::startMove()
{
    m_moveOrigin = m_moveOrigin + m_moveDirection * m_moveDistance;
    if (m_moveOrigin > kTravelLimit) {
        m_moveDirection = -1.0;
    } else if (m_moveOrigin < -kTravelLimit) {
        m_moveDirection = 1.0;
    } else {
        m_moveDirection = m_random.uniform() < 0.5 ? -1.0 : 1.0;
    }
    m_moveDistance = m_random.uniform(kMinMoveDistance, kMaxMoveDistance);
    const double topSpeed = m_random.uniform(kMinTopSpeed, kMaxTopSpeed);

    // Trapezoid if the axis reaches top speed, otherwise a triangle.
    const double accelDistance = topSpeed * topSpeed / kAcceleration;
    if (m_moveDistance >= accelDistance) {
        m_peakSpeed = topSpeed;
        m_accelTime = topSpeed / kAcceleration;
        m_cruiseTime = (m_moveDistance - accelDistance) / topSpeed;
    } else {
        m_accelTime = std::sqrt(m_moveDistance / kAcceleration);
        m_peakSpeed = kAcceleration * m_accelTime;
        m_cruiseTime = 0.0;
    }
    m_moveSubsteps = 0;
    m_nextMoveStart =
        m_index + samplesIn(m_random.uniform(kMinMoveInterval, kMaxMoveInterval), m_samplePeriod);
}

// Distance travelled by the commanded position `elapsed` seconds after the move began.
double ServoSignal::commandedOffset(double elapsed) const
{
    const double total = 2.0 * m_accelTime + m_cruiseTime;
    if (elapsed <= 0.0) {
        return 0.0;
    }
    if (elapsed < m_accelTime) {
        return 0.5 * kAcceleration * elapsed * elapsed;
    }
    if (elapsed < m_accelTime + m_cruiseTime) {
        return 0.5 * kAcceleration * m_accelTime * m_accelTime +
               m_peakSpeed * (elapsed - m_accelTime);
    }
    if (elapsed < total) {
        const double remaining = total - elapsed;
        return m_moveDistance - 0.5 * kAcceleration * remaining * remaining;
    }
    return m_moveDistance;
}

void ServoSignal::advanceOneSample()
{
    if (m_index == m_nextMoveStart) {
        startMove();
    }
    for (int step = 0; step < kSubstepsPerSample; ++step) {
        ++m_moveSubsteps;
        const double elapsed = static_cast<double>(m_moveSubsteps) * m_substep;
        m_commanded = m_moveOrigin + m_moveDirection * commandedOffset(elapsed);
        // Semi-implicit Euler: speed first, then position with the new speed.
        const double accel =
            m_stiffness * (m_commanded - m_position) - m_velocityFeedback * m_speed;
        m_speed += accel * m_substep;
        m_position += m_speed * m_substep;
    }
    ++m_index;
}

std::uint8_t ServoSignal::next()
{
    if (m_known) {
        const double noise =
            m_knownNoiseSteps > 0 ? m_random.uniform(-m_knownNoiseSteps, m_knownNoiseSteps) : 0;
        const double value = kSignalCentre + m_known->levelAt(m_index++) + noise;
        return static_cast<std::uint8_t>(std::lround(std::clamp(value, kMinByte, kMaxByte)));
    }
    advanceOneSample();
    const double error = (m_commanded - m_position) / kCountsPerStep;
    const double value = kSignalCentre + error + kNoiseSteps * m_random.gaussian();
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, kMinByte, kMaxByte)));
}

void ServoSignal::skipTo(std::uint64_t index)
{
    while (m_index < index) {
        next();
    }
}

} // namespace kdsp
