// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The run's spectrum of the tracking error: each whole block less its mean, under a Hann window
// (one tone stays within three bins, its neighbours' leakage low), transformed by FFTW; the run's
// spectrum is the mean of the blocks' power spectra. Blocks are not contiguous in time, so a
// longer transform over several of them would be wrong; one with missing samples is left out,
// as closing the gap would shift the phase of every sample after it.
//
// The dominant oscillation is a peak that stands out of the spectrum around it, searched from
// bin kFirstSearchedBin: below it lies the Hann window's main lobe around zero, where what is
// left of each block's mean and the slow part of every move spread. A peak stands out when it is
// a local maximum whose power is at least kStandoutPowerRatio times the median power of the bins
// around it (kNearest to kFarthest bins away on either side): a tone, or the ringing of an
// underdamped loop, does; the broad hump of a well-damped loop's moves, or noise, does not.

#include "capture/BlockSize.h"

#include <array>
#include <optional>
#include <vector>

class Spectrum
{
public:
    static constexpr int kSamples = kBlockSize;
    static constexpr int kBins = kSamples / 2 + 1; // DC to the Nyquist limit
    // The main lobe of the Hann window is four bins wide: bins 1 and 2 hold the mean's leakage.
    static constexpr int kFirstSearchedBin = 3;
    static constexpr double kStandoutPowerRatio = 4;
    static constexpr int kNearest = 4;
    static constexpr int kFarthest = 8;

    struct Peak
    {
        double bin = 0;       // between bins: 3.4 is four tenths of a bin above bin 3
        double amplitude = 0; // steps, of the tone's sine

        double frequencyHz(double timeGridMs) const { return bin * resolutionHz(timeGridMs); }
    };

    Spectrum();
    ~Spectrum();
    Spectrum(const Spectrum&) = delete;
    Spectrum& operator=(const Spectrum&) = delete;

    // Takes a whole block's levels.
    void add(const std::array<int, kSamples>& levels);

    long long blocks() const { return blocks_; }
    // The mean power spectrum's amplitudes per bin, in steps of a tone centred on the bin;
    // empty before any block.
    std::vector<double> amplitudes() const;
    // The strongest peak that stands out, its frequency found between bins from its neighbours
    // (never from the mean's bin or the Nyquist bin); nothing before any block or where no peak
    // stands out.
    std::optional<Peak> dominant() const;

    // `timeGridMs` is the time between two samples.
    static double resolutionHz(double timeGridMs) { return 1000.0 / (kSamples * timeGridMs); }
    static double nyquistHz(double timeGridMs) { return 500.0 / timeGridMs; }

private:
    struct Plan;
    Plan* plan_;
    std::array<double, kSamples> window_{};
    std::array<double, kBins> powerSum_{};
    long long blocks_ = 0;
};
