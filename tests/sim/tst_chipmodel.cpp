// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated chip's model, driven with a made-up clock: every answer byte for byte, the
// block stream's size and pace, stop, trigger gating, options, faults and the signal itself.
#include "ChipModel.h"

#include <QtTest>

#include <algorithm>
#include <chrono>
#include <string>

using namespace std::chrono_literals;
using kdsp::ChipConfig;
using kdsp::ChipModel;
using kdsp::SimTime;

namespace {

constexpr SimTime kStep = 1ms;
constexpr int kBlock = static_cast<int>(kdsp::kBlockSamples);

std::string bytes(const QByteArray& array)
{
    return std::string(array.constData(), array.size());
}

// Steps the clock from `from` to `to` in kStep steps and collects all output.
std::string runFor(ChipModel& model, SimTime from, SimTime to)
{
    std::string out;
    for (SimTime t = from; t <= to; t += kStep) {
        out += model.takeOutput(t);
    }
    return out;
}

std::string ask(ChipModel& model, std::string_view command, SimTime at = 0ms)
{
    model.receive(command, at);
    return model.takeOutput(at);
}

// The line of a register listing that names `name` in its register column.
std::string listingLine(const std::string& listing, const std::string& name)
{
    const std::string key = "  " + name + " ";
    const auto at = listing.find(key);
    if (at == std::string::npos) {
        return {};
    }
    const auto begin = listing.rfind('\n', at) + 1;
    return listing.substr(begin, listing.find('\r', at) - begin);
}

QStringList lines(const std::string& text)
{
    return QString::fromStdString(text).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

int byte(char sample)
{
    return static_cast<unsigned char>(sample);
}

int deviation(char sample)
{
    return std::abs(byte(sample) - 128);
}

double mean(const std::string& samples)
{
    double sum = 0;
    for (const char c : samples) {
        sum += byte(c);
    }
    return sum / static_cast<double>(samples.size());
}

// `count` blocks from an unpaced chip.
std::string unpacedBlocks(std::uint64_t seed, int dropPermille, int count)
{
    ChipConfig config;
    config.seed = seed;
    config.paced = false;
    config.dropPermille = dropPermille;
    ChipModel model(config);
    model.receive("J1000\r", 0ms);
    std::string out;
    for (int i = 0; i < count; ++i) {
        out += model.takeOutput(0ms);
    }
    return out;
}

} // namespace

class TestChipModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answers_data()
    {
        QTest::addColumn<int>("timingDigit");
        QTest::addColumn<QByteArray>("timingReply"); // null: the regular answer
        QTest::addColumn<bool>("mute");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray regular;
        QTest::newRow("the timing query answers J1100, the default digit and CR")
            << 4 << regular << false << QByteArray("J1100\r") << QByteArray("J11004\r");
        QTest::newRow("a chosen timing digit is the sixth of the seven characters")
            << 7 << regular << false << QByteArray("J1100\r") << QByteArray("J11007\r");
        QTest::newRow("line feeds around and inside a command are ignored")
            << 4 << regular << false << QByteArray("\nJ11\n00\r\n") << QByteArray("J11004\r");
        QTest::newRow("a raw timing reply replaces the timing answer byte for byte")
            << 4 << QByteArray("\rJ1") << false << QByteArray("J1100\r") << QByteArray("\rJ1");
        QTest::newRow("a raw timing reply may hold NUL and 0xFF bytes")
            << 4 << QByteArray("\x00\xff", 2) << false << QByteArray("J1100\r")
            << QByteArray("\x00\xff", 2);
        QTest::newRow("stop answers a short line even when the scope is not running")
            << 4 << regular << false << QByteArray("q\r") << QByteArray("Scope stopped\r\n");
        QTest::newRow("an unknown command is named in an error line")
            << 4 << regular << false << QByteArray("J9999\r")
            << QByteArray("Unknown command: J9999\r\n");
        QTest::newRow("an overlong command is answered once as unknown, cut short")
            << 4 << regular << false << QByteArray(100, 'A') + '\r'
            << QByteArray("Unknown command: ") + QByteArray(64, 'A') + "...\r\n";
        QTest::newRow("several commands at once are answered in order")
            << 4 << regular << false << QByteArray("J1100\rq\rJ1024\r")
            << QByteArray("J11004\rScope stopped\r\nMotor protection off until reset\r\n");
        QTest::newRow("a write to KP is answered with KP's line of the register listing")
            << 4 << regular << false << QByteArray("W02 0180\r")
            << QByteArray("0x02  KP          0x0180  proportional gain\r\n");
        QTest::newRow("KP 0 is refused with its reason and the range")
            << 4 << regular << false << QByteArray("W02 0000\r")
            << QByteArray("KP 0x0000 refused: the loop would not hold position (KP "
                          "0x0010..0x2000)\r\n");
        QTest::newRow("a gain out of its range is refused with the range")
            << 4 << regular << false << QByteArray("W04 4001\r")
            << QByteArray("KD 0x4001 refused: out of range 0x0000..0x4000\r\n");
        QTest::newRow("a write to a listed register that is no gain is refused as read-only")
            << 4 << regular << false << QByteArray("W05 0001\r")
            << QByteArray("Register 0x05 is read-only\r\n");
        QTest::newRow("a write past the listed registers names a register that does not exist")
            << 4 << regular << false << QByteArray("W0E 0001\r")
            << QByteArray("Register 0x0E does not exist\r\n");
        for (const QByteArray malformed : {"W2 0180", "W02  180", "w02 0180", "W02 01G0"}) {
            QTest::addRow("the malformed write %s is unknown", malformed.constData())
                << 4 << regular << false << malformed + '\r'
                << "Unknown command: " + malformed + "\r\n";
        }
        QTest::newRow("a mute chip answers nothing at all")
            << 4 << regular << true << QByteArray("J1100\rq\r\rs\ru\rJ1021\rx\r") << QByteArray();
    }

    void answers()
    {
        QFETCH(int, timingDigit);
        QFETCH(QByteArray, timingReply);
        QFETCH(bool, mute);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);

        ChipConfig config;
        config.timingDigit = timingDigit;
        if (!timingReply.isNull()) {
            config.timingReply = bytes(timingReply);
        }
        config.mute = mute;
        ChipModel model(config);
        // Every input arrives in two reads, split in the middle, as a serial line may split it.
        const std::string sent = bytes(input);
        model.receive(std::string_view(sent).substr(0, sent.size() / 2), 0ms);
        model.receive(std::string_view(sent).substr(sent.size() / 2), 0ms);
        QCOMPARE(model.takeOutput(1ms), bytes(expected));
        QCOMPARE(model.takeOutput(2ms), std::string());
    }

    void textAnswers_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QStringList>("mustName");

        QTest::newRow("a lone CR lists the registers with the options")
            << QByteArray("\r")
            << QStringList{"TSAMPLE", "THERMO", "60 C", "MOTPROT", "SOFTLIM", "PWMMODE", "SCOPE"};
        QTest::newRow("s lists every special command")
            << QByteArray("s\r")
            << QStringList{"J1000", "J1001", "J1002", "J1100", "J1021", "J1022",
                           "J1023", "J1024", "J1025", "J1026", "J1027", "J1028"};
        QTest::newRow("u reports the fuses")
            << QByteArray("u\r") << QStringList{"OVERCURRENT", "THERMO", "MOTOR", "SOFTLIMIT"};
    }

    // Multi-line answers: ASCII only, every line ended CR LF, and naming what they must.
    void textAnswers()
    {
        QFETCH(QByteArray, command);
        QFETCH(QStringList, mustName);

        ChipModel model(ChipConfig{});
        const std::string text = ask(model, bytes(command));
        QVERIFY(text.size() > 2 && text.ends_with("\r\n"));
        const QString withoutLineEnds = QString::fromStdString(text).remove(QStringLiteral("\r\n"));
        QVERIFY(!withoutLineEnds.contains(QRegularExpression(QStringLiteral("[^ -~]"))));
        const QStringList answerLines = lines(text);
        QVERIFY(answerLines.size() >= 4);
        for (const QString& name : mustName) {
            QVERIFY2(answerLines.filter(name).size() == 1, qPrintable(name));
        }
        if (command == "s\r") {
            // One command per line, with a description after it.
            for (const QString& name : mustName) {
                const QString line = answerLines.filter(name).first();
                QVERIFY2(line.startsWith(name) && line.size() > name.size() + 5, qPrintable(line));
            }
        }
    }

    void registerListingIsAligned()
    {
        ChipModel model(ChipConfig{});
        const QStringList registers = lines(ask(model, "\r")).filter(QRegularExpression("^0x"));
        QVERIFY(registers.size() >= 10);
        const qsizetype valueColumn = registers.first().indexOf(QStringLiteral("0x"), 2);
        QVERIFY(valueColumn > 4);
        for (const QString& line : registers) {
            QCOMPARE(line.indexOf(QStringLiteral("0x"), 2), valueColumn);
        }
    }

    void optionCommands_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QString>("registerName");
        QTest::addColumn<QString>("shows");

        QTest::newRow("J1021 sets thermo protection to 100 C")
            << QByteArray() << QByteArray("J1021") << "THERMO"
            << "100 C";
        QTest::newRow("J1022 sets thermo protection to 80 C")
            << QByteArray() << QByteArray("J1022") << "THERMO"
            << "80 C";
        QTest::newRow("J1023 brings thermo protection back to 60 C")
            << QByteArray("J1021\r") << QByteArray("J1023") << "THERMO"
            << "60 C";
        QTest::newRow("J1024 switches motor protection off for the time being")
            << QByteArray() << QByteArray("J1024") << "MOTPROT"
            << "off (temporary)";
        QTest::newRow("J1026 takes the fault signal off the soft limit")
            << QByteArray() << QByteArray("J1026") << "SOFTLIM"
            << "without fault signal";
        QTest::newRow("J1025 puts the fault signal back on the soft limit")
            << QByteArray("J1026\r") << QByteArray("J1025") << "SOFTLIM"
            << "with fault signal";
        QTest::newRow("J1028 switches the PWM to AC")
            << QByteArray() << QByteArray("J1028") << "PWMMODE"
            << "AC";
        QTest::newRow("J1027 switches the PWM back to DC")
            << QByteArray("J1028\r") << QByteArray("J1027") << "PWMMODE"
            << "DC";
        QTest::newRow("W02 writes KP") << QByteArray() << QByteArray("W02 0180") << "KP"
                                       << "0x0180";
        QTest::newRow("W04 writes KD, its hex digits in either case")
            << QByteArray("W04 0000\r") << QByteArray("W04 0a1F") << "KD"
            << "0x0A1F";
    }

    // Each option command and register write confirms in one line and changes its own register
    // line, and only it.
    void optionCommands()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, command);
        QFETCH(QString, registerName);
        QFETCH(QString, shows);

        ChipModel model(ChipConfig{});
        ask(model, bytes(before));
        const std::string listingBefore = ask(model, "\r");
        const std::string name = registerName.toStdString();
        QVERIFY(!QString::fromStdString(listingLine(listingBefore, name)).contains(shows));

        const std::string confirmation = ask(model, bytes(command) + "\r");
        QCOMPARE(lines(confirmation).size(), 1);
        QVERIFY(confirmation.ends_with("\r\n"));

        const std::string listingAfter = ask(model, "\r");
        QVERIFY(QString::fromStdString(listingLine(listingAfter, name)).contains(shows));
        const QStringList linesBefore = lines(listingBefore);
        const QStringList linesAfter = lines(listingAfter);
        QCOMPARE(linesAfter.size(), linesBefore.size());
        int changed = 0;
        for (qsizetype i = 0; i < linesBefore.size(); ++i) {
            changed += linesBefore[i] != linesAfter[i] ? 1 : 0;
        }
        QCOMPARE(changed, 1);
    }

    void blockCounts_data()
    {
        QTest::addColumn<bool>("paced");
        QTest::addColumn<bool>("mute");
        QTest::addColumn<int>("blockLimit");
        QTest::addColumn<QByteArray>("commands");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("minBlocks");
        QTest::addColumn<int>("maxBlocks");
        QTest::addColumn<bool>("eachBlockStartsAMove");

        // At 115200 8N1 a block takes 26.04 ms: 38 whole blocks in the first second.
        QTest::newRow("paced blocks come at the line rate")
            << true << false << 0 << QByteArray("J1000\r") << 1 << 38 << 38 << false;
        QTest::newRow("unpaced, every request gets one block")
            << false << false << 0 << QByteArray("J1000\r") << 1 << 1001 << 1001 << false;
        QTest::newRow("the chip falls silent after its block limit")
            << false << false << 3 << QByteArray("J1000\r") << 1 << 3 << 3 << false;
        QTest::newRow("a mute chip sends no blocks")
            << true << true << 0 << QByteArray("J1000\r") << 1 << 0 << 0 << false;
        // Moves come every 0.6 to 1.0 s of chip time.
        QTest::newRow("in trigger mode a block comes only after a move starts")
            << true << false << 0 << QByteArray("J1001\rJ1000\r") << 10 << 5 << 17 << true;
        QTest::newRow("trigger mode switched on while streaming gates the stream")
            << true << false << 0 << QByteArray("J1000\rJ1001\r") << 10 << 5 << 17 << true;
        QTest::newRow("unpaced trigger mode still captures from move starts")
            << false << false << 0 << QByteArray("J1001\rJ1000\r") << 1 << 1001 << 1001 << true;
        QTest::newRow("trigger off returns to free-running blocks")
            << true << false << 0 << QByteArray("J1001\rJ1000\rJ1002\r") << 1 << 38 << 38 << false;
        QTest::newRow("trigger mode alone does not start the stream")
            << true << false << 0 << QByteArray("J1001\r") << 10 << 0 << 0 << false;
        QTest::newRow("trigger off alone does not start the stream either")
            << true << false << 0 << QByteArray("J1002\r") << 1 << 0 << 0 << false;
    }

    // Blocks come out whole (one per take at most), as many as expected; trigger blocks begin
    // with the axis at rest and show the move within their first half.
    void blockCounts()
    {
        QFETCH(bool, paced);
        QFETCH(bool, mute);
        QFETCH(int, blockLimit);
        QFETCH(QByteArray, commands);
        QFETCH(int, seconds);
        QFETCH(int, minBlocks);
        QFETCH(int, maxBlocks);
        QFETCH(bool, eachBlockStartsAMove);

        ChipConfig config;
        config.paced = paced;
        config.mute = mute;
        config.blockLimit = static_cast<std::uint64_t>(blockLimit);
        ChipModel model(config);
        model.receive(bytes(commands), 0ms);
        std::string stream;
        for (SimTime t = 0ms; t <= std::chrono::seconds(seconds); t += kStep) {
            const std::string taken = model.takeOutput(t);
            QVERIFY2(taken.empty() || taken.size() == kdsp::kBlockSamples,
                     qPrintable(QString::number(taken.size())));
            stream += taken;
        }
        const int blocks = static_cast<int>(stream.size() / kdsp::kBlockSamples);
        QVERIFY2(blocks >= minBlocks && blocks <= maxBlocks, qPrintable(QString::number(blocks)));
        QCOMPARE(model.blocksSent(), static_cast<std::uint64_t>(blocks));
        for (int b = 0; eachBlockStartsAMove && b < blocks; ++b) {
            const std::string block = stream.substr(b * kBlock, kBlock);
            QVERIFY2(std::all_of(block.begin(), block.begin() + 3,
                                 [](char s) { return deviation(s) <= 8; }),
                     qPrintable(QString::number(b)));
            QVERIFY(std::any_of(block.begin(), block.begin() + 150,
                                [](char s) { return deviation(s) >= 15; }));
        }
    }

    void stopEndsTheStream()
    {
        ChipModel model(ChipConfig{});
        model.receive("J1000\r", 0ms);
        QVERIFY(runFor(model, 0ms, 500ms).size() >= 19 * kdsp::kBlockSamples);
        model.receive("q\r", 500ms);
        QCOMPARE(runFor(model, 500ms, 2000ms), std::string(kdsp::kScopeStoppedAnswer));
        QVERIFY(!model.nextDue().has_value());
    }

    void answersFallBetweenWholeBlocks()
    {
        ChipModel model(ChipConfig{});
        model.receive("J1000\r", 0ms);
        model.receive("J1100\r", 100ms);
        // Blocks due at 26, 52 and 78 ms come first, then the answer, then those of 104, 130 ms.
        const std::string out = model.takeOutput(150ms);
        QCOMPARE(out.find("J11004\r"), 3 * kdsp::kBlockSamples);
        QCOMPARE(out.size(), 5 * kdsp::kBlockSamples + kdsp::kTimingAnswerLength);
    }

    void slowAnswersAreLateButBlocksAreNot()
    {
        ChipConfig config;
        config.replyDelay = 200ms;
        ChipModel model(config);
        model.receive("J1100\r", 0ms);
        QCOMPARE(model.takeOutput(199ms), std::string());
        QCOMPARE(model.nextDue(), std::optional<SimTime>(200ms));
        QCOMPARE(model.takeOutput(200ms), std::string("J11004\r"));

        model.receive("J1000\r", 300ms);
        QCOMPARE(model.takeOutput(300ms + kdsp::kBlockLineTime).size(), kdsp::kBlockSamples);
    }

    void droppedBytes_data()
    {
        QTest::addColumn<int>("permille");
        QTest::addColumn<double>("minKept");
        QTest::addColumn<double>("maxKept");

        QTest::newRow("no loss keeps every byte") << 0 << 1.0 << 1.0;
        QTest::newRow("ten percent loss keeps about nine bytes in ten") << 100 << 0.88 << 0.92;
        QTest::newRow("total loss keeps nothing") << 1000 << 0.0 << 0.0;
    }

    // Lost bytes leave the rest in order: what arrives is the lossless stream with gaps, the
    // same gaps for the same seed.
    void droppedBytes()
    {
        QFETCH(int, permille);
        QFETCH(double, minKept);
        QFETCH(double, maxKept);

        const std::string full = unpacedBlocks(1, 0, 50);
        const std::string kept = unpacedBlocks(1, permille, 50);
        QCOMPARE(unpacedBlocks(1, permille, 50), kept);
        const double share = static_cast<double>(kept.size()) / static_cast<double>(full.size());
        QVERIFY2(share >= minKept && share <= maxKept, qPrintable(QString::number(share)));
        std::size_t at = 0;
        for (const char c : kept) {
            at = full.find(c, at);
            QVERIFY(at++ != std::string::npos);
        }
    }

    void signal_data()
    {
        QTest::addColumn<quint64>("seed");
        QTest::newRow("seed 1") << quint64(1);
        QTest::newRow("seed 0") << quint64(0);
        QTest::newRow("a large seed") << quint64(987654321987ULL);
    }

    // Centred near 128, resting most of the time, moving both ways, noisy at rest; the same
    // for the same seed and different for another.
    void signal()
    {
        QFETCH(quint64, seed);
        const std::string samples = unpacedBlocks(seed, 0, 100);
        QCOMPARE(unpacedBlocks(seed, 0, 100), samples);
        QVERIFY(unpacedBlocks(seed + 1, 0, 100) != samples);

        QVERIFY2(std::abs(mean(samples) - 128.0) < 8.0, qPrintable(QString::number(mean(samples))));
        const auto [low, high] = std::minmax_element(
            samples.begin(), samples.end(), [](char a, char b) { return byte(a) < byte(b); });
        QVERIFY(byte(*low) < 100 && byte(*high) > 156);
        const auto resting =
            std::count_if(samples.begin(), samples.end(), [](char s) { return deviation(s) <= 4; });
        QVERIFY(resting > static_cast<long>(samples.size() / 3));
        QVERIFY(std::any_of(samples.begin(), samples.begin() + 100,
                            [&](char s) { return s != samples[0]; }));
    }
};

QTEST_APPLESS_MAIN(TestChipModel)
#include "tst_chipmodel.moc"
