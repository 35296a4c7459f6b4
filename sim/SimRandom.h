// SPDX-License-Identifier: GPL-3.0-or-later
// A small random generator whose sequence is fixed by its seed on every platform and compiler,
// so a --seed reproduces the same chip signal and the same dropped bytes everywhere. (The
// standard distributions are not pinned down that way.)
#pragma once

#include <cstdint>

namespace kdsp {

class SimRandom
{
public:
    explicit SimRandom(std::uint64_t seed) : m_state(seed) {}

    // SplitMix64: every seed, including 0, gives a well-mixed stream.
    std::uint64_t nextBits()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(nextBits() >> 11) * (1.0 / 9007199254740992.0); }

    double uniform(double low, double high) { return low + (high - low) * uniform(); }

    // True with probability permille / 1000.
    bool chance(int permille) { return static_cast<int>(nextBits() % 1000) < permille; }

    // Roughly normal with mean 0 and deviation 1 (sum of twelve uniforms), cheap and bounded.
    double gaussian()
    {
        double sum = 0.0;
        for (int i = 0; i < 12; ++i) {
            sum += uniform();
        }
        return sum - 6.0;
    }

private:
    std::uint64_t m_state;
};

} // namespace kdsp
