// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's signals with known answers, as its command line sets them up, against the
// theory of a second-order loop: a move starts at the block's 21st sample at the full step,
// overshoots by e^(-z pi / sqrt(1 - z^2)) of it half a damped period later and settles within
// its block; a tone crosses zero twice a period.

#include "KdspProtocol.h"
#include "ServoSignal.h"
#include "SimOptions.h"

#include <QTest>

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr int kBlock = 300;
constexpr int kMoveSample = 20; // counted from 0: the 21st
constexpr double kGridSeconds = 4 * 477.25e-6;

std::vector<int> firstBlock(const QStringList& arguments)
{
    std::vector<std::string> words;
    for (const QString& a : arguments)
        words.push_back(a.toStdString());
    const kdsp::ParsedOptions parsed = kdsp::parseSimOptions(words);
    if (!parsed.error.empty())
        qWarning("%s", parsed.error.c_str());
    kdsp::ServoSignal signal(1, 4 * kdsp::kSamplePeriodPerDigit, parsed.options.chip.knownSignal);
    std::vector<int> levels;
    for (int i = 0; i < kBlock; ++i)
        levels.push_back(signal.next() - kdsp::kSignalCentre);
    return levels;
}
} // namespace

class TestKnownSignal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void moveFollowsASecondOrderLoop_data();
    void moveFollowsASecondOrderLoop();
    void toneCrossesZeroTwiceAPeriod();
};

void TestKnownSignal::moveFollowsASecondOrderLoop_data()
{
    QTest::addColumn<double>("damping");
    QTest::addColumn<QString>("noise");
    QTest::addColumn<int>("tolerance"); // steps: rounding, and the noise
    QTest::newRow("light damping rings") << 0.25 << "0" << 1;
    QTest::newRow("heavier damping barely overshoots") << 0.6 << "0" << 1;
    QTest::newRow("with a step of noise") << 0.25 << "1" << 2;
}

void TestKnownSignal::moveFollowsASecondOrderLoop()
{
    QFETCH(double, damping);
    QFETCH(QString, noise);
    QFETCH(int, tolerance);
    const double step = 80;
    const double hz = 30;
    const std::vector<int> levels =
        firstBlock({"--moves", "80", "--damping", QString::number(damping), "--natural-hz", "30",
                    "--noise", noise});
    QCOMPARE(levels.size(), std::size_t(kBlock));
    for (int i = 0; i < kMoveSample; ++i)
        QVERIFY2(std::abs(levels[i]) <= tolerance - 1, qPrintable(QString::number(i)));
    QVERIFY(std::abs(levels[kMoveSample] - step) <= tolerance);

    // The overshoot: the deepest sample of the other sign, half a damped period on.
    const double root = std::sqrt(1 - damping * damping);
    const double overshoot = step * std::exp(-damping * kPi / root);
    const double atSeconds = 1 / (2 * hz * root);
    const auto deepest = std::min_element(levels.begin() + kMoveSample, levels.end());
    QVERIFY2(std::abs(-*deepest - overshoot) <= tolerance + 0.5,
             qPrintable(QStringLiteral("%1 against %2").arg(*deepest).arg(-overshoot)));
    const double deepestSeconds = (deepest - levels.begin() - kMoveSample) * kGridSeconds;
    QVERIFY(std::abs(deepestSeconds - atSeconds) <= kGridSeconds);
    // Settled well before the block ends.
    for (int i = kBlock - 100; i < kBlock; ++i)
        QVERIFY(std::abs(levels[i]) <= tolerance);
}

void TestKnownSignal::toneCrossesZeroTwiceAPeriod()
{
    const double hz = 37.3;
    const std::vector<int> levels = firstBlock({"--tone", "20", "--tone-hz", "37.3"});
    int crossings = 0;
    for (std::size_t i = 1; i < levels.size(); ++i)
        crossings += (levels[i - 1] < 0) != (levels[i] < 0);
    const double expected = 2 * hz * kBlock * kGridSeconds;
    QVERIFY2(std::abs(crossings - expected) <= 1, qPrintable(QString::number(crossings)));
    QCOMPARE(*std::max_element(levels.begin(), levels.end()), 20);
    QCOMPARE(*std::min_element(levels.begin(), levels.end()), -20);
}

QTEST_GUILESS_MAIN(TestKnownSignal)
#include "tst_knownsignal.moc"
