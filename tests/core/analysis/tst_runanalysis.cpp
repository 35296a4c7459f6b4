// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis of a run against theory and against blocks worked out by hand: second-order moves
// overshoot, ring and settle as the loop's equations say; the hand-made blocks pin each rule of
// what a move is (its start, its peak, its overshoot, its settling, a cut excursion, a gap); and
// a tone between two bins is found to a small fraction of a bin.

#include "capture/CaptureCsv.h"
#include "core/analysis/RunAnalysis.h"

#include "support/KnownSignals.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace {
using KnownSignals::Values;
constexpr double kNone = std::numeric_limits<double>::quiet_NaN();
constexpr int kGap = -1000; // in a hand-made block: a sample not received

// A hand-made block: these levels from sample 1 on, then `rest` to its end.
Values handMade(std::initializer_list<int> levels, int rest = 0)
{
    Values values;
    values.fill(CaptureCsv::kCentreValue + rest);
    std::size_t i = 0;
    for (const int level : levels)
        values[i++] = level == kGap ? CaptureCsv::kMissing : CaptureCsv::kCentreValue + level;
    return values;
}

// A figure's value, NaN when it is not known.
double figure(const RunFigures::Values& values, std::string_view name)
{
    return values[*RunFigures::indexOf(name)].value_or(kNone);
}

struct Expected
{
    double value;
    double tolerance;
};
} // namespace

Q_DECLARE_METATYPE(Expected)

class TestRunAnalysis : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void movesAndSettling_data();
    void movesAndSettling();
    void runMediansAreThoseOfItsMoves_data();
    void runMediansAreThoseOfItsMoves();
    void dominantTone_data();
    void dominantTone();
    void longRunHistoryStaysSmall();
};

void TestRunAnalysis::movesAndSettling_data()
{
    QTest::addColumn<QList<Values>>("blocks");
    QTest::addColumn<double>("gridMs");
    QTest::addColumn<int>("moves");
    QTest::addColumn<int>("settled");
    QTest::addColumn<Expected>("settleMs");
    QTest::addColumn<Expected>("overshootPct");
    QTest::addColumn<Expected>("dampingRatio");
    QTest::addColumn<Expected>("ringingHz");

    constexpr double kGrid = KnownSignals::kUsualGridMs;
    constexpr double kWindow = MoveFinder::Settings::kDefaultWindow;
    for (const double zeta : {0.25, 0.6}) {
        const KnownSignals::Loop loop{zeta, 30, 80};
        QList<Values> blocks;
        for (int stepAt : {20, 75, 140})
            blocks.append(KnownSignals::stepBlock(loop, stepAt, kGrid));
        // Rounded to whole steps, the error is within W once it is under W + 0.5; the settling
        // is the first sample after that, within a sample.
        const double settle = std::ceil(KnownSignals::lastBeyond(loop, kWindow + 0.5) / kGrid);
        // The overshoot rounded to a whole step; the ringing's half period to whole samples.
        const double overshoot = 100 * KnownSignals::overshootOf(loop);
        const double halfPeriod = 1000 / (2 * KnownSignals::ringingHzOf(loop));
        const double ringingSpread = KnownSignals::ringingHzOf(loop) * kGrid / halfPeriod;
        QTest::addRow("a loop with damping %.2f at 30 Hz overshoots, rings and settles as theory "
                      "says",
                      zeta)
            << blocks << kGrid << 3 << 3 << Expected{settle * kGrid, kGrid}
            << Expected{overshoot, 100 * 0.5 / loop.step + 0.01} << Expected{zeta, 0.02}
            << Expected{KnownSignals::ringingHzOf(loop), ringingSpread};
    }

    // Grid 1 ms, W 2, T 10, H 10 (the defaults).
    const Values overshooting = handMade({0, 0, 3, 12, 20, 5, -4, 1, 0});
    QTest::newRow("a move starts where its run beyond W starts and settles where the hold does")
        << QList<Values>{overshooting} << 1.0 << 1 << 1 << Expected{5, 0} << Expected{20, 1e-9}
        << Expected{0.4559, 1e-4} << Expected{250, 1e-9};
    QTest::newRow("the overshoot is the largest of the sign opposite to the peak, after it")
        << QList<Values>{handMade({0, 0, -15, -25, -8, 6, -12, 4, -3, 1, 0})} << 1.0 << 1 << 1
        << Expected{7, 0} << Expected{24, 1e-9} << Expected{0.4136, 1e-4} << Expected{250, 1e-9};
    QTest::newRow("an overshoot within W counts but gives no ringing and no damping ratio")
        << QList<Values>{handMade({0, 3, 14, 30, 9, -2, 3, 1, 0})} << 1.0 << 1 << 1
        << Expected{6, 0} << Expected{100.0 * 2 / 30, 1e-9} << Expected{kNone, 0}
        << Expected{kNone, 0};
    QTest::newRow("the samples within W that begin the settling are no overshoot")
        << QList<Values>{handMade({0, 3, 14, 30, 9, -2, 1, 0})} << 1.0 << 1 << 1 << Expected{4, 0}
        << Expected{0, 0} << Expected{kNone, 0} << Expected{kNone, 0};
    QTest::newRow("the median of two moves is the mean of the two, the damping that of the one")
        << QList<Values>{overshooting, handMade({0, 0, 3, 12, 20, 0, 0})} << 1.0 << 2 << 2
        << Expected{4, 0} << Expected{10, 1e-9} << Expected{0.4559, 1e-4} << Expected{250, 1e-9};
    QTest::newRow("an excursion under way at the block's first sample is cut, not reported")
        << QList<Values>{handMade({30, 20, 5, 0, 0})} << 1.0 << 0 << 0 << Expected{kNone, 0}
        << Expected{kNone, 0} << Expected{kNone, 0} << Expected{kNone, 0};
    QTest::newRow("a bump beyond W that stays within T is no move")
        << QList<Values>{handMade({0, 0, 5, 10, 5, 0})} << 1.0 << 0 << 0 << Expected{kNone, 0}
        << Expected{kNone, 0} << Expected{kNone, 0} << Expected{kNone, 0};
    QTest::newRow("a move not held within W for H samples by the block's end has not settled")
        << QList<Values>{handMade({0, 0, 12, -5, 0}, 3)} << 1.0 << 1 << 0 << Expected{kNone, 0}
        << Expected{kNone, 0} << Expected{kNone, 0} << Expected{kNone, 0};
    QTest::newRow("a missing sample ends a move as the block's end does and cuts what follows")
        << QList<Values>{handMade({0, 0, 12, 15, kGap, 15, 8, 0})} << 1.0 << 1 << 0
        << Expected{kNone, 0} << Expected{kNone, 0} << Expected{kNone, 0} << Expected{kNone, 0};
}

void TestRunAnalysis::movesAndSettling()
{
    QFETCH(QList<Values>, blocks);
    QFETCH(double, gridMs);
    QFETCH(int, moves);
    QFETCH(int, settled);
    RunAnalysis analysis{MoveFinder::Settings{}};
    long long number = 0;
    for (const Values& block : blocks)
        analysis.addBlock(++number, block, gridMs);
    const RunFigures::Values figures = analysis.figures();

    QCOMPARE(figure(figures, "moves"), moves);
    QCOMPARE(figure(figures, "settled"), settled);
    const auto check = [&](std::string_view name, const Expected& expected) {
        const double value = figure(figures, name);
        if (std::isnan(expected.value))
            return std::isnan(value);
        return std::abs(value - expected.value) <= expected.tolerance;
    };
    QFETCH(Expected, settleMs);
    QFETCH(Expected, overshootPct);
    QFETCH(Expected, dampingRatio);
    QFETCH(Expected, ringingHz);
    QVERIFY2(check("settle_ms", settleMs),
             qPrintable(QString::number(figure(figures, "settle_ms"))));
    QVERIFY2(check("overshoot_pct", overshootPct),
             qPrintable(QString::number(figure(figures, "overshoot_pct"))));
    QVERIFY2(check("damping_ratio", dampingRatio),
             qPrintable(QString::number(figure(figures, "damping_ratio"))));
    QVERIFY2(check("ringing_hz", ringingHz),
             qPrintable(QString::number(figure(figures, "ringing_hz"))));
}

void TestRunAnalysis::runMediansAreThoseOfItsMoves_data()
{
    QTest::addColumn<int>("blocks");
    QTest::newRow("an odd number of moves: the middle one") << 41;
    QTest::newRow("an even number of moves: the mean of the middle two") << 40;
}

void TestRunAnalysis::runMediansAreThoseOfItsMoves()
{
    // Moves of many dampings, sizes and places under noise: the run's medians and maxima, kept
    // as counts, must be those of the settled moves' own figures sorted.
    QFETCH(int, blocks);
    constexpr double kGrid = KnownSignals::kUsualGridMs;
    const MoveFinder::Settings settings;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> zeta(0.15, 0.8);
    std::uniform_real_distribution<double> step(-110, 110);
    std::uniform_int_distribution<int> place(5, 150);
    RunAnalysis analysis{settings};
    std::vector<double> settle;
    std::vector<double> overshoot;
    std::vector<double> damping;
    std::vector<double> ringing;
    for (int b = 1; b <= blocks; ++b) {
        const KnownSignals::Loop loop{zeta(random), 30, std::max(20.0, std::abs(step(random)))};
        const Values values = KnownSignals::stepBlock(loop, place(random), kGrid, 1, unsigned(b));
        for (const MoveFinder::Move& move : analysis.addBlock(b, values, kGrid)) {
            const MoveFinder::Figures f = MoveFinder::figuresOf(move, kGrid, settings);
            if (!f.settleMs)
                continue;
            settle.push_back(*f.settleMs);
            overshoot.push_back(f.overshootPct);
            if (f.dampingRatio) {
                damping.push_back(*f.dampingRatio);
                ringing.push_back(*f.ringingHz);
            }
        }
    }
    const auto median = [](std::vector<double> values) {
        std::sort(values.begin(), values.end());
        const std::size_t n = values.size();
        return (values[(n - 1) / 2] + values[n / 2]) / 2;
    };
    QVERIFY(settle.size() >= std::size_t(blocks) - 2);
    const RunFigures::Values figures = analysis.figures();
    QCOMPARE(figure(figures, "settled"), double(settle.size()));
    QCOMPARE(figure(figures, "settle_ms"), median(settle));
    QCOMPARE(figure(figures, "settle_ms_max"), *std::max_element(settle.begin(), settle.end()));
    QCOMPARE(figure(figures, "overshoot_pct"), median(overshoot));
    QCOMPARE(figure(figures, "overshoot_pct_max"),
             *std::max_element(overshoot.begin(), overshoot.end()));
    QCOMPARE(figure(figures, "damping_ratio"), median(damping));
    QCOMPARE(figure(figures, "ringing_hz"), median(ringing));
}

void TestRunAnalysis::dominantTone_data()
{
    QTest::addColumn<double>("hz");
    QTest::addColumn<double>("amplitude");
    // 37.3 Hz lies 0.36 of a bin above bin 21 at the usual grid; 10 bins exactly is on one.
    QTest::newRow("a tone between two bins") << 37.3 << 20.0;
    QTest::newRow("a tone on a bin")
        << 10 * Spectrum::resolutionHz(KnownSignals::kUsualGridMs) << 6.0;
}

void TestRunAnalysis::dominantTone()
{
    QFETCH(double, hz);
    QFETCH(double, amplitude);
    constexpr double kGrid = KnownSignals::kUsualGridMs;
    RunAnalysis analysis{MoveFinder::Settings{}};
    // Blocks are not contiguous in time: each starts at another phase, and one with a missing
    // sample (its phases cut apart) must not count.
    for (int block = 0; block < 8; ++block)
        analysis.addBlock(block + 1, KnownSignals::toneBlock(amplitude, hz, 0.7 * block, kGrid),
                          kGrid);
    Values torn = KnownSignals::toneBlock(3 * amplitude, 3 * hz, 0, kGrid);
    torn[150] = CaptureCsv::kMissing;
    analysis.addBlock(9, torn, kGrid);

    const RunFigures::Values figures = analysis.figures();
    const double bin = Spectrum::resolutionHz(kGrid);
    QCOMPARE(analysis.spectrum().blocks(), 8);
    QCOMPARE(figure(figures, "frequency_resolution_hz"), bin);
    QCOMPARE(figure(figures, "nyquist_hz"), 500 / kGrid);
    QVERIFY2(std::abs(figure(figures, "frequency_hz") - hz) < 0.02 * bin,
             qPrintable(QString::number(figure(figures, "frequency_hz"))));
    // The steps the tone is rounded to make a little noise of their own.
    QVERIFY2(std::abs(figure(figures, "frequency_amplitude") - amplitude) < 0.02 * amplitude,
             qPrintable(QString::number(figure(figures, "frequency_amplitude"))));
}

void TestRunAnalysis::longRunHistoryStaysSmall()
{
    // Block b holds one sample at level b % 100 + 1, the rest 0: its peak and square are known.
    constexpr long long kBlocks = 5'000;
    BlockHistory history;
    double sumOfSquares = 0;
    for (long long b = 1; b <= kBlocks; ++b) {
        const int peak = int(b % 100) + 1;
        sumOfSquares += peak * peak;
        history.add(b, kBlockSize, peak * peak, peak);
    }
    const std::vector<BlockHistory::Point>& points = history.points();
    QVERIFY(points.size() <= std::size_t(BlockHistory::kPoints));
    QVERIFY(points.size() > std::size_t(BlockHistory::kPoints) / 2);
    long long blocks = 0;
    double squares = 0;
    for (const BlockHistory::Point& p : points) {
        QCOMPARE(p.firstBlock, blocks + 1);
        blocks += p.blocks;
        squares += p.rms() * p.rms() * double(p.samples);
        int peak = 0;
        for (long long b = p.firstBlock; b < p.firstBlock + p.blocks; ++b)
            peak = std::max(peak, int(b % 100) + 1);
        QCOMPARE(p.peak, peak);
    }
    QCOMPARE(blocks, kBlocks);
    QVERIFY(std::abs(squares - sumOfSquares) < 1e-6 * sumOfSquares);
}

QTEST_GUILESS_MAIN(TestRunAnalysis)
#include "tst_runanalysis.moc"
