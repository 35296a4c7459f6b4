// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/analysis/Spectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <numbers>
#include <numeric>

namespace {
constexpr double kPi = std::numbers::pi;
// The periodic Hann window's sum over a block: its coherent gain times the samples.
constexpr double kWindowSum = Spectrum::kSamples / 2.0;

// The Hann window's response to a tone `offset` bins from a bin's centre, relative to its
// response at the centre: sinc(d) / (1 - d^2).
double hannResponse(double offset)
{
    if (std::abs(offset) < 1e-12)
        return 1;
    return std::sin(kPi * offset) / (kPi * offset * (1 - offset * offset));
}

// FFTW's documentation promises no thread-safety beyond executing a plan: making, destroying
// and allocating are kept to one thread at a time, as runs are analysed on a worker thread while
// the scope analyses the run under way.
std::mutex& fftwMutex()
{
    static std::mutex mutex;
    return mutex;
}
} // namespace

struct Spectrum::Plan
{
    double* input = nullptr;
    fftw_complex* output = nullptr;
    fftw_plan plan = nullptr; // made once for the run: every block's transform is of one size

    Plan()
    {
        const std::lock_guard lock(fftwMutex());
        input = fftw_alloc_real(kSamples);
        output = fftw_alloc_complex(kBins);
        // FFTW_ESTIMATE does not overwrite the buffers while planning and costs no measuring.
        plan = fftw_plan_dft_r2c_1d(kSamples, input, output, FFTW_ESTIMATE);
    }
    ~Plan()
    {
        const std::lock_guard lock(fftwMutex());
        fftw_destroy_plan(plan);
        fftw_free(output);
        fftw_free(input);
    }
    Plan(const Plan&) = delete;
    Plan& operator=(const Plan&) = delete;
};

Spectrum::Spectrum() : plan_(new Plan)
{
    // Periodic (DFT-even) Hann: a tone's leakage falls exactly in the main lobe's three bins,
    // which the estimator between bins relies on.
    for (int n = 0; n < kSamples; ++n)
        window_[static_cast<std::size_t>(n)] = 0.5 - 0.5 * std::cos(2 * kPi * n / kSamples);
}

Spectrum::~Spectrum()
{
    delete plan_;
}

void Spectrum::add(const std::array<int, kSamples>& levels)
{
    const double mean = std::accumulate(levels.begin(), levels.end(), 0.0) / kSamples;
    for (std::size_t n = 0; n < kSamples; ++n)
        plan_->input[n] = (levels[n] - mean) * window_[n];
    fftw_execute(plan_->plan);
    for (std::size_t k = 0; k < kBins; ++k) {
        const double re = plan_->output[k][0];
        const double im = plan_->output[k][1];
        powerSum_[k] += re * re + im * im;
    }
    ++blocks_;
}

std::vector<double> Spectrum::amplitudes() const
{
    std::vector<double> result;
    if (blocks_ == 0)
        return result;
    result.reserve(kBins);
    for (std::size_t k = 0; k < kBins; ++k) {
        // A sine of amplitude A on a bin gives |X| = A x window sum / 2 (DC and Nyquist: A x sum).
        const double scale = (k == 0 || k == kBins - 1) ? kWindowSum : kWindowSum / 2;
        result.push_back(std::sqrt(powerSum_[k] / static_cast<double>(blocks_)) / scale);
    }
    return result;
}

std::optional<Spectrum::Peak> Spectrum::dominant() const
{
    const std::vector<double> amplitude = amplitudes();
    if (amplitude.empty())
        return std::nullopt;
    const int nyquist = kBins - 1;
    const auto at = [&amplitude](int k) { return amplitude[static_cast<std::size_t>(k)]; };
    // The median power of the bins around bin k, outside its main lobe, within those searched.
    const auto surroundingPower = [&](int k) -> std::optional<double> {
        std::vector<double> powers;
        for (int d = kNearest; d <= kFarthest; ++d)
            for (const int bin : {k - d, k + d})
                if (bin >= kFirstSearchedBin && bin < nyquist)
                    powers.push_back(at(bin) * at(bin));
        if (powers.size() < 3)
            return std::nullopt;
        const auto middle = powers.begin() + static_cast<std::ptrdiff_t>(powers.size() / 2);
        std::nth_element(powers.begin(), middle, powers.end());
        return *middle;
    };
    int strongest = 0;
    for (int k = kFirstSearchedBin; k < nyquist; ++k) {
        if (!(at(k) > at(k - 1) && at(k) >= at(k + 1)) ||
            (strongest != 0 && at(k) <= at(strongest)))
            continue;
        const std::optional<double> around = surroundingPower(k);
        if (around && at(k) * at(k) >= kStandoutPowerRatio * *around)
            strongest = k;
    }
    if (strongest == 0)
        return std::nullopt;
    // The Hann window's exact two-bin estimator: for a tone d bins above bin k the larger
    // neighbour's ratio to bin k is r = (1 + d) / (2 - d), so d = (2r - 1) / (1 + r). The
    // Nyquist bin is no neighbour to take: its scale is another.
    const double below = at(strongest - 1);
    const double above = strongest + 1 < nyquist ? at(strongest + 1) : 0;
    const double r = std::max(below, above) / at(strongest);
    const double offset = std::clamp((2 * r - 1) / (1 + r), 0.0, 0.5) * (above >= below ? 1 : -1);
    Peak peak;
    peak.bin = strongest + offset;
    // The window passes a tone between bins weaker by its response there; that is undone.
    peak.amplitude = at(strongest) / hannResponse(offset);
    return peak;
}
