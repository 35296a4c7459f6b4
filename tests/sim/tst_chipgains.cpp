// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated chip's gain registers: a write is answered and listed, or refused and the
// register kept, and the servo signal follows KP and KD while the reset gains leave it alone.
#include "ChipModel.h"

#include <QtTest>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using kdsp::ChipConfig;
using kdsp::ChipModel;

namespace {

constexpr int kCompareBlocks = 40;

std::string ask(ChipModel& model, const std::string& command)
{
    model.receive(command + "\r", 0ms);
    return model.takeOutput(0ms);
}

// The line of the register listing whose register column holds `name`, with its CR LF.
std::string listingLine(ChipModel& model, const std::string& name)
{
    const std::string listing = ask(model, "");
    const auto at = listing.find("  " + name + " ");
    if (at == std::string::npos) {
        return {};
    }
    const auto begin = listing.rfind('\n', at) + 1;
    return listing.substr(begin, listing.find('\n', at) + 1 - begin);
}

// Unpaced, every take hands over a block: starting the scope takes none.
void startScope(ChipModel& model)
{
    model.receive(std::string(kdsp::kStartScope) + kdsp::kCommandEnd, 0ms);
}

ChipConfig unpaced(int timingDigit)
{
    ChipConfig config;
    config.paced = false;
    config.timingDigit = timingDigit;
    return config;
}

std::string takeBlocks(ChipModel& model, int count)
{
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += model.takeOutput(0ms);
    }
    return out;
}

// The free-running stream of a chip that was first sent `write` (none if empty).
std::string streamAfter(int timingDigit, const std::string& write, int blocks)
{
    ChipModel model(unpaced(timingDigit));
    if (!write.empty()) {
        ask(model, write);
    }
    startScope(model);
    return takeBlocks(model, blocks);
}

int error(char sample)
{
    return static_cast<unsigned char>(sample) - kdsp::kSignalCentre;
}

// The mean, over the moves wholly in `stream`, of each move's largest swing against its own
// direction: the axis running past its target. A move's direction is the sign of its following
// error, the first to leave the noise. Move starts do not depend on the gains, so they come
// from a signal of the same seed and period.
double meanOvershoot(const std::string& stream, int timingDigit)
{
    constexpr int kLeavesTheNoise = 10;
    const ChipConfig config = unpaced(timingDigit);
    kdsp::ServoSignal moves(config.seed, config.timingDigit * kdsp::kSamplePeriodPerDigit);
    std::vector<std::uint64_t> starts;
    while (moves.nextMoveStart() < stream.size()) {
        starts.push_back(moves.nextMoveStart());
        moves.skipTo(starts.back() + 1);
    }
    double sum = 0;
    for (std::size_t m = 0; m + 1 < starts.size(); ++m) {
        int direction = 0;
        int overshoot = 0;
        for (std::uint64_t i = starts[m]; i < starts[m + 1]; ++i) {
            const int e = error(stream[i]);
            if (direction == 0 && std::abs(e) >= kLeavesTheNoise) {
                direction = e > 0 ? 1 : -1;
            }
            overshoot = std::max(overshoot, -direction * e);
        }
        sum += overshoot;
    }
    return starts.size() > 1 ? sum / static_cast<double>(starts.size() - 1) : 0;
}

// FNV-1a, 64 bits.
quint64 checksum(const std::string& bytes)
{
    quint64 hash = 14695981039346656037ULL;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    return hash;
}

} // namespace

class TestChipGains : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writes_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("answerNames"); // empty: the answer is the register's line
        QTest::addColumn<QString>("registerName");
        QTest::addColumn<QString>("listed");

        QTest::newRow("a write to KP is answered with KP's listing line and listed")
            << QString() << "W02 0180" << QString() << "KP"
            << "0x0180";
        QTest::newRow("hex digits may be lower case")
            << QString() << "W04 0a1f" << QString() << "KD"
            << "0x0A1F";
        QTest::newRow("KI takes any value") << QString() << "W03 FFFF" << QString() << "KI"
                                            << "0xFFFF";
        QTest::newRow("KD may be switched off") << QString() << "W04 0000" << QString() << "KD"
                                                << "0x0000";
        QTest::newRow("KP takes its lowest bound") << QString() << "W02 0010" << QString() << "KP"
                                                   << "0x0010";
        QTest::newRow("KP takes its highest bound") << QString() << "W02 2000" << QString() << "KP"
                                                    << "0x2000";
        QTest::newRow("a later write replaces an earlier one") << "W02 0180"
                                                               << "W02 0200" << QString() << "KP"
                                                               << "0x0200";
        QTest::newRow("KP 0 is refused: the loop would not hold position")
            << QString() << "W02 0000"
            << "KP 0x0000 refused: the loop would not hold position"
            << "KP"
            << "0x0140";
        QTest::newRow("KP below its range is refused with the range")
            << QString() << "W02 000F"
            << "KP 0x000F refused: out of range 0x0010..0x2000"
            << "KP"
            << "0x0140";
        QTest::newRow("a refused write keeps the value written before")
            << "W02 0180"
            << "W02 2001"
            << "out of range 0x0010..0x2000"
            << "KP"
            << "0x0180";
        QTest::newRow("KD above its range is refused with the range")
            << QString() << "W04 4001"
            << "KD 0x4001 refused: out of range 0x0000..0x4000"
            << "KD"
            << "0x0410";
        QTest::newRow("a listed register that is no gain is read-only")
            << QString() << "W05 0001"
            << "Register 0x05 is read-only"
            << "ILIMIT"
            << "0x07FF";
        QTest::newRow("the last listed register is read-only too") << QString() << "W0D 0001"
                                                                   << "Register 0x0D is read-only"
                                                                   << "SCOPE"
                                                                   << "0x0000";
        QTest::newRow("a register past the listing does not exist")
            << QString() << "W0E 0001"
            << "Register 0x0E does not exist"
            << "KP"
            << "0x0140";
        QTest::newRow("an address of one digit is unknown") << QString() << "W2 0180"
                                                            << "Unknown command: W2 0180"
                                                            << "KP"
                                                            << "0x0140";
        QTest::newRow("a value of three digits is unknown") << QString() << "W02 180"
                                                            << "Unknown command: W02 180"
                                                            << "KP"
                                                            << "0x0140";
        QTest::newRow("a write without its space is unknown") << QString() << "W020180"
                                                              << "Unknown command: W020180"
                                                              << "KP"
                                                              << "0x0140";
        QTest::newRow("a write with two spaces is unknown") << QString() << "W02  180"
                                                            << "Unknown command: W02  180"
                                                            << "KP"
                                                            << "0x0140";
        QTest::newRow("a lower-case w is unknown") << QString() << "w02 0180"
                                                   << "Unknown command: w02 0180"
                                                   << "KP"
                                                   << "0x0140";
        QTest::newRow("a digit that is not hex is unknown") << QString() << "W02 01G0"
                                                            << "Unknown command: W02 01G0"
                                                            << "KP"
                                                            << "0x0140";
        QTest::newRow("a signed value is unknown") << QString() << "W02 +180"
                                                   << "Unknown command: W02 +180"
                                                   << "KP"
                                                   << "0x0140";
    }

    // Every answer is one line ended CR LF; the listing shows the value in force after it.
    void writes()
    {
        QFETCH(QString, before);
        QFETCH(QString, command);
        QFETCH(QString, answerNames);
        QFETCH(QString, registerName);
        QFETCH(QString, listed);

        ChipModel model(ChipConfig{});
        if (!before.isEmpty()) {
            ask(model, before.toStdString());
        }
        const std::string answer = ask(model, command.toStdString());
        const std::string line = listingLine(model, registerName.toStdString());
        QVERIFY2(!line.empty(), qPrintable(registerName));
        if (answerNames.isEmpty()) {
            QCOMPARE(answer, line);
        } else {
            QVERIFY2(QString::fromStdString(answer).contains(answerNames), answer.c_str());
        }
        QVERIFY(answer.ends_with("\r\n") && answer.find('\n') == answer.size() - 1);
        QVERIFY2(QString::fromStdString(line).contains("  " + listed + "  "), line.c_str());
    }

    // The special commands name the write in a line of their own, its description in the
    // column of every other.
    void specialCommandsNameTheWrite()
    {
        ChipModel model(ChipConfig{});
        const QStringList lines = QString::fromStdString(ask(model, "s")).split("\r\n");
        const QStringList writes = lines.filter(QRegularExpression("^W "));
        QCOMPARE(writes.size(), 1);
        QVERIFY(writes.first().contains("W02 0180"));
        const QString start = lines.filter(QRegularExpression("^J1000 ")).first();
        const auto column = [](const QString& line) {
            return line.indexOf(QRegularExpression("\\S"), line.indexOf(' '));
        };
        QCOMPARE(column(writes.first()), column(start));
    }

    void loopFollowsGains_data()
    {
        QTest::addColumn<int>("timingDigit");
        QTest::addColumn<QString>("write");
        QTest::addColumn<int>("overshootAgainstReset"); // -1 less, 0 same stream, 1 more

        QTest::newRow("twice the KD overshoots less than the reset gains") << 4 << "W04 0820" << -1;
        QTest::newRow("at the slowest timing digit too") << 9 << "W04 0820" << -1;
        QTest::newRow("half the KD overshoots more") << 4 << "W04 0208" << 1;
        QTest::newRow("a stiffer loop overshoots less") << 4 << "W02 0500" << -1;
        QTest::newRow("a softer loop overshoots more") << 4 << "W02 0050" << 1;
        QTest::newRow("KI is listed but leaves the stream as it was") << 4 << "W03 0100" << 0;
        QTest::newRow("the reset KP written again leaves the stream as it was")
            << 4 << "W02 0140" << 0;
        QTest::newRow("a refused write leaves the stream as it was") << 4 << "W02 0000" << 0;
    }

    void loopFollowsGains()
    {
        QFETCH(int, timingDigit);
        QFETCH(QString, write);
        QFETCH(int, overshootAgainstReset);

        const std::string reset = streamAfter(timingDigit, "", kCompareBlocks);
        const std::string written = streamAfter(timingDigit, write.toStdString(), kCompareBlocks);
        if (overshootAgainstReset == 0) {
            QCOMPARE(written, reset);
            return;
        }
        const double before = meanOvershoot(reset, timingDigit);
        const double after = meanOvershoot(written, timingDigit);
        QVERIFY2(overshootAgainstReset < 0 ? after < 0.8 * before : after > 1.1 * before,
                 qPrintable(QStringLiteral("reset %1, written %2").arg(before).arg(after)));
    }

    // A write while the scope streams changes the blocks taken after it, and none before.
    void writeWhileStreaming()
    {
        constexpr int kBlocksBefore = 10;
        const std::string reset = streamAfter(kdsp::kDefaultTimingDigit, "", 2 * kBlocksBefore);
        ChipModel model(unpaced(kdsp::kDefaultTimingDigit));
        startScope(model);
        std::string stream = takeBlocks(model, kBlocksBefore);
        model.receive("W04 0820\r", 0ms);
        // Unpaced, the answer comes with the next block behind it.
        const std::string answer = model.takeOutput(0ms);
        QVERIFY(answer.starts_with("0x04"));
        stream += answer.substr(answer.find(kdsp::kLineEnd) + kdsp::kLineEnd.size());
        stream += takeBlocks(model, kBlocksBefore - 1);
        QCOMPARE(stream.size(), reset.size());
        const std::size_t split = kBlocksBefore * kdsp::kBlockSamples;
        QCOMPARE(stream.substr(0, split), reset.substr(0, split));
        QVERIFY(stream.substr(split) != reset.substr(split));
    }

    void resetGainsKeepTheSignal_data()
    {
        QTest::addColumn<int>("timingDigit");
        QTest::addColumn<quint64>("seed");
        QTest::addColumn<quint64>("expected");

        // Regression guard: checksums of the first 30000 samples, captured from the simulator
        // as it was before the gains could be written. Recordings and tests rely on the
        // seeded signal staying bit for bit what it was.
        QTest::newRow("timing digit 1") << 1 << quint64(1) << quint64(0xCC1240DF9D40998FULL);
        QTest::newRow("timing digit 4") << 4 << quint64(1) << quint64(0x4CD55C16E6B7B29FULL);
        QTest::newRow("timing digit 4, seed 7")
            << 4 << quint64(7) << quint64(0xC252AE8C3B714B49ULL);
        QTest::newRow("timing digit 9") << 9 << quint64(1) << quint64(0x2B4B993F4A156836ULL);
    }

    void resetGainsKeepTheSignal()
    {
        QFETCH(int, timingDigit);
        QFETCH(quint64, seed);
        QFETCH(quint64, expected);

        ChipConfig config = unpaced(timingDigit);
        config.seed = seed;
        ChipModel model(config);
        startScope(model);
        QCOMPARE(checksum(takeBlocks(model, 100)), expected);
    }
};

QTEST_APPLESS_MAIN(TestChipGains)
#include "tst_chipgains.moc"
