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
#include <map>
#include <random>
#include <string>

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

// A figure's value (or quartile: "settle_ms_p75"), NaN when it has none.
double figure(const RunFigures::Values& values, std::string_view name)
{
    const std::optional<RunFigures::Named> named = RunFigures::byName(name);
    return RunFigures::partOf(values[named->id], named->part).number.value_or(kNone);
}

RunFigures::Missing missingOf(const RunFigures::Values& values, std::string_view name)
{
    const std::optional<RunFigures::Named> named = RunFigures::byName(name);
    return RunFigures::partOf(values[named->id], named->part).missing;
}

// A number within a tolerance, or no number for this reason.
struct Expected
{
    double value;
    double tolerance;
    RunFigures::Missing missing = RunFigures::Missing::None;
};
constexpr Expected kNotSettled{kNone, 0, RunFigures::Missing::NotSettled};
constexpr Expected kNoMoves{kNone, 0, RunFigures::Missing::NoMoves};
constexpr Expected kNoOvershoot{kNone, 0, RunFigures::Missing::NoOvershoot};
constexpr Expected kNoGrid{kNone, 0, RunFigures::Missing::NoGrid};
} // namespace

Q_DECLARE_METATYPE(Expected)
Q_DECLARE_METATYPE(RunFigures::Value)
Q_DECLARE_METATYPE(RunFigures::Id)
Q_DECLARE_METATYPE(RunFigures::Winner)

class TestRunAnalysis : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void movesAndSettling_data();
    void movesAndSettling();
    void runMediansAreThoseOfItsMoves_data();
    void runMediansAreThoseOfItsMoves();
    void theTypicalMoveTookTheMedianTime();
    void dominantTone_data();
    void dominantTone();
    void longRunHistoryStaysSmall();
    void twoRunsCompared_data();
    void twoRunsCompared();
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
        << Expected{6, 0} << Expected{100.0 * 2 / 30, 1e-9} << kNoOvershoot << kNoOvershoot;
    QTest::newRow("the samples within W that begin the settling are no overshoot")
        << QList<Values>{handMade({0, 3, 14, 30, 9, -2, 1, 0})} << 1.0 << 1 << 1 << Expected{4, 0}
        << Expected{0, 0} << kNoOvershoot << kNoOvershoot;
    QTest::newRow("the median of two moves is the mean of the two, the damping that of the one")
        << QList<Values>{overshooting, handMade({0, 0, 3, 12, 20, 0, 0})} << 1.0 << 2 << 2
        << Expected{4, 0} << Expected{10, 1e-9} << Expected{0.4559, 1e-4} << Expected{250, 1e-9};
    QTest::newRow("an excursion under way at the block's first sample is cut, not reported")
        << QList<Values>{handMade({30, 20, 5, 0, 0})} << 1.0 << 0 << 0 << kNoMoves << kNoMoves
        << kNoMoves << kNoMoves;
    QTest::newRow("a bump beyond W that stays within T is no move")
        << QList<Values>{handMade({0, 0, 5, 10, 5, 0})} << 1.0 << 0 << 0 << kNoMoves << kNoMoves
        << kNoMoves << kNoMoves;
    // Its overshoot so far (-5 is within W, and the block ends beyond it) is a lower bound.
    QTest::newRow("a move not held within W for H samples by the block's end has not settled")
        << QList<Values>{handMade({0, 0, 12, -5, 0}, 3)} << 1.0 << 1 << 0 << kNotSettled
        << Expected{100.0 * 5 / 12, 1e-9} << Expected{0.2684, 1e-4} << Expected{500, 1e-9};
    // Cut before its error crossed over, a move tells nothing of its overshoot.
    QTest::newRow("a missing sample ends a move as the block's end does and cuts what follows")
        << QList<Values>{handMade({0, 0, 12, 15, kGap, 15, 8, 0})} << 1.0 << 1 << 0 << kNotSettled
        << kNotSettled << kNoOvershoot << kNoOvershoot;
    // Three moves, one of which never settles: the median settle time is the longer settled
    // one's; with two never settled, the median falls on one and is not settled.
    const Values neverSettles = handMade({0, 0, 12, 30, 20}, 20);
    QTest::newRow("a move that never settles counts as longer than any that did")
        << QList<Values>{overshooting, handMade({0, 0, 3, 12, 20, 0, 0}), neverSettles} << 1.0 << 3
        << 2 << Expected{5, 0} << Expected{10, 1e-9} << Expected{0.4559, 1e-4}
        << Expected{250, 1e-9};
    QTest::newRow("where the median falls on a move that never settled, it is not settled")
        << QList<Values>{overshooting, neverSettles, neverSettles} << 1.0 << 3 << 1 << kNotSettled
        << Expected{20, 1e-9} << Expected{0.4559, 1e-4} << Expected{250, 1e-9};
    // Begun three samples before its block's end, a move could not have settled in the five the
    // settled one took: it does not make the run's median "not settled".
    Values lateMove = handMade({});
    std::copy_n(handMade({12, 20, 25}).begin(), 3, lateMove.end() - 3);
    QTest::newRow("moves cut short by their block's end before others settled do not slow the run")
        << QList<Values>{overshooting, lateMove, lateMove} << 1.0 << 3 << 1 << Expected{5, 0}
        << Expected{20, 1e-9} << Expected{0.4559, 1e-4} << Expected{250, 1e-9};
    // Followed 11 samples, 9 of them within W when the block ends: it may settle after 2.
    Values holdCut = handMade({});
    std::copy_n(handMade({12, 20}).begin(), 11, holdCut.end() - 11);
    QTest::newRow("a move whose hold its block's end cut may have settled a hold before that end")
        << QList<Values>{overshooting, holdCut} << 1.0 << 2 << 1 << Expected{5, 0}
        << Expected{20, 1e-9} << Expected{0.4559, 1e-4} << Expected{250, 1e-9};
    QTest::newRow("without a time grid the moves count but nothing is in ms or Hz")
        << QList<Values>{overshooting} << 0.0 << 1 << 1 << kNoGrid << Expected{20, 1e-9}
        << Expected{0.4559, 1e-4} << kNoGrid;
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
        if (expected.missing != RunFigures::Missing::None)
            return std::isnan(value) && missingOf(figures, name) == expected.missing;
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

// Moves that settle after 3, 5, 9 and 9 samples, and two begun four samples before their block's
// end: the cut ones' weight goes to the moves of 5 and 9, so the median lies between them (7 ms)
// and the typical move is one of 9, not the middle one of those that settled (5).
void TestRunAnalysis::theTypicalMoveTookTheMedianTime()
{
    const auto settlingAfter = [](int samples) {
        Values block = handMade({0, 12});
        std::fill_n(block.begin() + 2, samples - 1, CaptureCsv::kCentreValue + 5);
        return block;
    };
    Values late = handMade({});
    std::copy_n(handMade({12, 20, 25, 25}).begin(), 4, late.end() - 4);
    RunAnalysis analysis{MoveFinder::Settings{}};
    long long number = 0;
    for (const Values& block :
         {settlingAfter(3), settlingAfter(5), settlingAfter(9), settlingAfter(9), late, late})
        analysis.addBlock(++number, block, 1.0);
    QCOMPARE(figure(analysis.figures(), "settle_ms"), 7.0);
    QCOMPARE(analysis.typicalMove()->move.settleAt, std::optional<int>(9));
}

void TestRunAnalysis::runMediansAreThoseOfItsMoves_data()
{
    QTest::addColumn<int>("blocks");
    QTest::newRow("an odd number of moves: the middle one") << 41;
    QTest::newRow("an even number of moves: the mean of the middle two") << 40;
}

void TestRunAnalysis::runMediansAreThoseOfItsMoves()
{
    // Moves of many dampings, sizes and places under noise, some too late in their block to
    // settle: the run's medians, quartiles and maxima, kept as counts, must be those of the
    // moves' own figures sorted, a move not settled counting as longer than any.
    QFETCH(int, blocks);
    constexpr double kGrid = KnownSignals::kUsualGridMs;
    constexpr double kNever = std::numeric_limits<double>::infinity();
    const MoveFinder::Settings settings;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> zeta(0.15, 0.8);
    std::uniform_real_distribution<double> step(-110, 110);
    std::uniform_int_distribution<int> place(5, 290);
    RunAnalysis analysis{settings};
    std::map<std::string_view, std::vector<double>> of;
    for (int b = 1; b <= blocks; ++b) {
        const KnownSignals::Loop loop{zeta(random), 30, std::max(20.0, std::abs(step(random)))};
        const Values values = KnownSignals::stepBlock(loop, place(random), kGrid, 1, unsigned(b));
        for (const MoveFinder::Move& move : analysis.addBlock(b, values, kGrid)) {
            const MoveFinder::Figures f = MoveFinder::figuresOf(move, kGrid, settings);
            of["settle_ms"].push_back(f.settleMs.value_or(kNever));
            of["overshoot_pct"].push_back(f.overshootPct);
            if (f.dampingRatio) {
                of["damping_ratio"].push_back(*f.dampingRatio);
                of["ringing_hz"].push_back(*f.ringingHz);
            }
        }
    }
    // Between neighbours, as the median of an even count is.
    const auto quantile = [](std::vector<double> values, double q) {
        std::sort(values.begin(), values.end());
        const double position = q * double(values.size() - 1);
        const auto low = static_cast<std::size_t>(position);
        const double fraction = position - double(low);
        const double high = fraction > 0 ? values[low + 1] : values[low];
        return std::isinf(values[low]) || std::isinf(high)
                   ? kNone
                   : values[low] + fraction * (high - values[low]);
    };
    const RunFigures::Values figures = analysis.figures();
    const auto settled = std::count_if(of["settle_ms"].begin(), of["settle_ms"].end(),
                                       [](double ms) { return !std::isinf(ms); });
    QVERIFY(settled >= 3 && settled < std::ssize(of["settle_ms"]));
    QCOMPARE(figure(figures, "moves"), double(of["settle_ms"].size()));
    QCOMPARE(figure(figures, "settled"), double(settled));
    for (const auto& [name, values] : of)
        for (const auto& [suffix, q] : {std::pair{"", 0.5}, {"_p25", 0.25}, {"_p75", 0.75}}) {
            const std::string quartile = std::string(name) + suffix;
            const double expected = quantile(values, q);
            const double found = figure(figures, quartile);
            QVERIFY2(std::isnan(expected) ? std::isnan(found) : std::abs(found - expected) < 1e-9,
                     qPrintable(QStringLiteral("%1: %2, not %3")
                                    .arg(QString::fromStdString(quartile))
                                    .arg(found)
                                    .arg(expected)));
        }
    QCOMPARE(figure(figures, "overshoot_pct_max"), quantile(of["overshoot_pct"], 1));
}

void TestRunAnalysis::dominantTone_data()
{
    QTest::addColumn<QList<Values>>("blocks");
    QTest::addColumn<int>("inSpectrum");
    QTest::addColumn<double>("hz");        // NaN: no oscillation stands out
    QTest::addColumn<double>("tolerance"); // of the frequency, in bins
    QTest::addColumn<double>("amplitude"); // NaN: not checked

    constexpr double kGrid = KnownSignals::kUsualGridMs;
    const double bin = Spectrum::resolutionHz(kGrid);
    // Blocks are not contiguous in time: each starts at another phase. One with a missing sample
    // (its phases cut apart) must not count; one lacking only its last sample does.
    const auto tone = [&](double amplitude, double hz) {
        QList<Values> blocks;
        for (int block = 0; block < 8; ++block)
            blocks.append(KnownSignals::toneBlock(amplitude, hz, 0.7 * block, kGrid));
        Values torn = KnownSignals::toneBlock(3 * amplitude, 3 * hz, 0, kGrid);
        torn[150] = CaptureCsv::kMissing;
        blocks.append(torn);
        Values short299 = KnownSignals::toneBlock(amplitude, hz, 0.3, kGrid);
        short299[kBlockSize - 1] = CaptureCsv::kMissing;
        blocks.append(short299);
        return blocks;
    };
    // 37.3 Hz lies 0.36 of a bin above bin 21 at the usual grid; 10 bins exactly is on one.
    QTest::newRow("a tone between two bins") << tone(20, 37.3) << 9 << 37.3 << 0.02 << 20.0;
    QTest::newRow("a tone on a bin") << tone(6, 10 * bin) << 9 << 10 * bin << 0.02 << 6.0;
    const auto moves = [&](double zeta, double hz) {
        QList<Values> blocks;
        for (int b = 1; b <= 20; ++b)
            blocks.append(KnownSignals::stepBlock({zeta, hz, b % 2 ? 80.0 : -80.0}, 20, kGrid, 1,
                                                  unsigned(b)));
        return blocks;
    };
    // The ringing of an underdamped loop is at its damped frequency, within the hump's width.
    QTest::newRow("an underdamped loop's ringing stands out")
        << moves(0.3, 25) << 20 << 25 * std::sqrt(1 - 0.3 * 0.3) << 1.0 << kNone;
    for (const double zeta : {0.65, 0.9})
        QTest::addRow("the moves of a loop damped %.2f make no oscillation", zeta)
            << moves(zeta, 25) << 20 << kNone << 0.0 << kNone;
}

void TestRunAnalysis::dominantTone()
{
    QFETCH(QList<Values>, blocks);
    QFETCH(int, inSpectrum);
    QFETCH(double, hz);
    QFETCH(double, tolerance);
    QFETCH(double, amplitude);
    constexpr double kGrid = KnownSignals::kUsualGridMs;
    RunAnalysis analysis{MoveFinder::Settings{}};
    long long number = 0;
    for (const Values& block : blocks)
        analysis.addBlock(++number, block, kGrid);

    const RunFigures::Values figures = analysis.figures();
    const double bin = Spectrum::resolutionHz(kGrid);
    QCOMPARE(analysis.spectrum().blocks(), inSpectrum);
    QCOMPARE(figure(figures, "frequency_resolution_hz"), bin);
    QCOMPARE(figure(figures, "nyquist_hz"), 500 / kGrid);
    const double found = figure(figures, "frequency_hz");
    if (std::isnan(hz)) {
        QVERIFY2(std::isnan(found), qPrintable(QString::number(found)));
        QCOMPARE(missingOf(figures, "frequency_hz"), RunFigures::Missing::NoStandout);
        QCOMPARE(missingOf(figures, "frequency_amplitude"), RunFigures::Missing::NoStandout);
        return;
    }
    QVERIFY2(std::abs(found - hz) < tolerance * bin, qPrintable(QString::number(found)));
    // The steps the tone is rounded to make a little noise of their own.
    if (!std::isnan(amplitude))
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

void TestRunAnalysis::twoRunsCompared_data()
{
    using RunFigures::Id;
    using RunFigures::Quantity;
    using RunFigures::Winner;
    QTest::addColumn<Id>("figure");
    QTest::addColumn<RunFigures::Value>("a");
    QTest::addColumn<RunFigures::Value>("b");
    QTest::addColumn<Winner>("better");
    QTest::addColumn<bool>("withinSpread");

    const auto of = [](double value, double p25, double p75) {
        return RunFigures::Value{Quantity::of(value), Quantity::of(p25), Quantity::of(p75)};
    };
    const auto plain = [](double value) { return RunFigures::Value{Quantity::of(value), {}, {}}; };
    const Quantity never = Quantity::none(RunFigures::Missing::NotSettled);
    QTest::newRow("two values shown the same are the same, not a change of 0.00")
        << Id::Sd << plain(3.141) << plain(3.139) << Winner::Same << false;
    QTest::newRow("a lower value without a middle half is better")
        << Id::Sd << plain(3.2) << plain(3.1) << Winner::B << false;
    QTest::newRow("middle halves that overlap are the same within spread")
        << Id::SettleMs << of(36, 34, 40) << of(38, 37, 42) << Winner::Same << true;
    QTest::newRow("a middle half wholly below the other's is better")
        << Id::SettleMs << of(36, 34, 37) << of(42, 39, 44) << Winner::A << false;
    QTest::newRow("not settled is longer than any settle time")
        << Id::SettleMs << RunFigures::Value{never, Quantity::of(50), never} << of(42, 39, 44)
        << Winner::B << false;
    QTest::newRow("no oscillation that stands out is better than one that does")
        << Id::FrequencyAmplitude << plain(0.8)
        << RunFigures::Value{Quantity::none(RunFigures::Missing::NoStandout), {}, {}} << Winner::B
        << false;
    QTest::newRow("a damping ratio is neither better nor worse")
        << Id::DampingRatio << of(0.3, 0.28, 0.32) << of(0.7, 0.68, 0.72) << Winner::Neither
        << false;
}

void TestRunAnalysis::twoRunsCompared()
{
    QFETCH(RunFigures::Id, figure);
    QFETCH(RunFigures::Value, a);
    QFETCH(RunFigures::Value, b);
    QFETCH(RunFigures::Winner, better);
    QFETCH(bool, withinSpread);
    const RunFigures::Comparison comparison = RunFigures::compare(figure, a, b);
    QCOMPARE(comparison.better, better);
    QCOMPARE(comparison.withinSpread, withinSpread);
}

QTEST_GUILESS_MAIN(TestRunAnalysis)
#include "tst_runanalysis.moc"
