// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The run's spectrum of the tracking error: each whole block less its mean, under a Hann window
// (one tone stays within three bins, its neighbours' leakage low), transformed by FFTW; the run's
// spectrum is the mean of the blocks' power spectra. Blocks are not contiguous in time, so a
// longer transform over several of them would be wrong; one with missing samples is left out,
// as closing the gap would shift the phase of every sample after it.

#include <array>
#include <optional>
#include <vector>

class Spectrum
{
public:
    static constexpr int kSamples = 300;
    static constexpr int kBins = kSamples / 2 + 1; // DC to the Nyquist limit

    struct Peak
    {
        double frequencyHz = 0;
        double amplitude = 0; // steps, of the tone's sine
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
    // The strongest bin above DC, its frequency found between bins from its neighbours; nothing
    // before any block or for a flat error. `timeGridMs` is the time between two samples.
    std::optional<Peak> dominant(double timeGridMs) const;

    static double resolutionHz(double timeGridMs) { return 1000.0 / (kSamples * timeGridMs); }
    static double nyquistHz(double timeGridMs) { return 500.0 / timeGridMs; }

private:
    struct Plan;
    Plan* plan_;
    std::array<double, kSamples> window_{};
    std::array<double, kBins> powerSum_{};
    long long blocks_ = 0;
};
