// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated loop against its gains, written while the scope streams (the write's answers
// and listing are in tst_chipmodel's tables).
#include "ChipModel.h"

#include <QCryptographicHash>
#include <QtTest>

#include <chrono>
#include <string>

using namespace std::chrono_literals;

namespace {

// The mean, over the moves wholly in `stream` from sample `from` on, of the largest swing against
// each move's direction (its following error's sign). Move starts do not depend on the gains,
// so they come from a signal of the same seed and period.
double meanOvershoot(const std::string& stream, std::uint64_t from, std::chrono::nanoseconds period)
{
    constexpr int kLeavesTheNoise = 10;
    kdsp::ServoSignal moves(kdsp::ChipConfig{}.seed, period);
    moves.skipTo(from);
    double sum = 0;
    int count = 0;
    int direction = 0;
    int overshoot = 0;
    for (std::uint64_t i = moves.nextMoveStart(); i < stream.size(); ++i) {
        if (i == moves.nextMoveStart()) {
            sum += overshoot;
            count += direction != 0 ? 1 : 0;
            direction = overshoot = 0;
            moves.skipTo(i + 1);
        }
        const int error = static_cast<unsigned char>(stream[i]) - kdsp::kSignalCentre;
        if (direction == 0 && std::abs(error) >= kLeavesTheNoise) {
            direction = error > 0 ? 1 : -1;
        }
        overshoot = std::max(overshoot, -direction * error);
    }
    return count > 0 ? sum / count : 0;
}

} // namespace

class TestChipGains : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loopFollowsGains_data()
    {
        QTest::addColumn<int>("timingDigit");
        QTest::addColumn<QByteArray>("write");
        QTest::addColumn<int>("overshootAgainstReset"); // -1 less, 0 same stream, 1 more

        QTest::newRow("twice the KD overshoots less") << 4 << QByteArray("W04 0820") << -1;
        QTest::newRow("twice the KD at digit 9 too") << 9 << QByteArray("W04 0820") << -1;
        QTest::newRow("half the KD overshoots more") << 4 << QByteArray("W04 0208") << 1;
        QTest::newRow("a stiffer loop overshoots less") << 1 << QByteArray("W02 0500") << -1;
        QTest::newRow("KI leaves the stream alone") << 4 << QByteArray("W03 0100") << 0;
        QTest::newRow("a refused write leaves it alone") << 9 << QByteArray("W02 0000") << 0;
    }

    // The write goes in while the scope streams: the blocks before it are the reset gains'.
    void loopFollowsGains()
    {
        QFETCH(int, timingDigit);
        QFETCH(QByteArray, write);
        QFETCH(int, overshootAgainstReset);
        constexpr int kBlocksBefore = 10;
        constexpr int kBlocks = 100;
        // Regression guard: SHA-1 of the first 30000 samples of seed 1, captured from the
        // simulator as it was before gains could be written; recordings rely on them.
        const QMap<int, QByteArray> resetSha1{{1, "70118171f9e932e5b7fefbb5e8c96f628dd65ab1"},
                                              {4, "99b6e58838b8471b0b5200a016eecb969c3975f3"},
                                              {9, "d1070e9405a82ed0bd3c78bc3352e34d05f8ad34"}};

        std::string streams[2];
        for (std::string& stream : streams) {
            kdsp::ChipConfig config;
            config.paced = false;
            config.timingDigit = timingDigit;
            kdsp::ChipModel model(config);
            model.receive("J1000\r", 0ms);
            for (int block = 0; block < kBlocks; ++block) {
                if (block == kBlocksBefore && &stream == &streams[1]) {
                    model.receive(write.toStdString() + "\r", 0ms);
                }
                stream += model.takeOutput(0ms);
            }
        }
        auto& [reset, written] = streams;
        const QByteArray sha1 =
            QCryptographicHash::hash(QByteArray::fromStdString(reset), QCryptographicHash::Sha1);
        QCOMPARE(sha1.toHex(), resetSha1.value(timingDigit));
        // Unpaced, the write's answer comes before the block that follows it.
        const std::size_t split = kBlocksBefore * kdsp::kBlockSamples;
        written.erase(split, written.find(kdsp::kLineEnd, split) + kdsp::kLineEnd.size() - split);
        QCOMPARE(written.substr(0, split), reset.substr(0, split));
        if (overshootAgainstReset == 0) {
            QCOMPARE(written, reset);
            return;
        }
        const auto period = timingDigit * kdsp::kSamplePeriodPerDigit;
        const double before = meanOvershoot(reset, split, period);
        const double after = meanOvershoot(written, split, period);
        QVERIFY2(overshootAgainstReset < 0 ? after < 0.8 * before : after > 1.1 * before,
                 qPrintable(QStringLiteral("reset %1, written %2").arg(before).arg(after)));
    }
};

QTEST_APPLESS_MAIN(TestChipGains)
#include "tst_chipgains.moc"
