// SPDX-License-Identifier: GPL-3.0-or-later
// The receive dispatcher on the fake port: console characters, timing replies, capture blocks
// read and handed to the scope, the capture cycle's close and reopen, the line event codes and
// unknown receive modes. How a block looks on the scope, to the pixel, is the window's test
// (tests/window/tst_linkview.cpp).

#include "YieldProbe.h"
#include "support/CoreFixture.h"

#include "core/link/Link.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

namespace {
constexpr int kPort = 1; // the port the fixture listens on

int colourValue(double colour)
{
    return static_cast<int>(std::llround(colour));
}

// The event line ShownRecord writes for a block drawn in a colour.
QString blockEvent(double colour)
{
    return QStringLiteral("block %1").arg(colourValue(colour));
}

} // namespace

class TestDispatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void consoleTakesOneCharacterPerEvent();

    void timingDigits_data();
    void timingDigits();
    void timingRepliesThatChangeNothing_data();
    void timingRepliesThatChangeNothing();
    void timingLetterKeepsTheGridButRewritesCaptions_data();
    void timingLetterKeepsTheGridButRewritesCaptions();

    void constantBlockLiesOnItsRow_data();
    void constantBlockLiesOnItsRow();
    void sampleIsDrawnAtTwiceItsIndex();
    void blockMissingItsLastByteEndsAtTheLastSample();

    void captureCycleClosesDrawsEmptiesAndReopens();
    void captureReopenFailure_data();
    void captureReopenFailure();

    void lineEventCodes_data();
    void lineEventCodes();
    void unknownModeLeavesBytesUnread();
};

void TestDispatcher::consoleTakesOneCharacterPerEvent()
{
    CoreFixture f;
    f.listen(kConsoleProfile, Core::LineMode::Console);
    setConsoleText(f.core, QStringLiteral("> "));
    CoreInsides::setLampColour(f.core, static_cast<int>(kGreen));
    QSignalSpy events(&f.comm, &Comm::onComm);

    for (const char c : {'a', 'b', '\r', '\n'})
        f.comm.receive(QByteArray(1, c));
    f.settle(40);

    QCOMPARE(events.count(), 4);
    QCOMPARE(f.core.consoleText().text(), QStringLiteral("> ab\r\n"));
    QCOMPARE(f.core.lampColour(), static_cast<int>(kRed));
    QCOMPARE(f.comm.inBufferCount(), 0);
}

void TestDispatcher::timingDigits_data()
{
    QTest::addColumn<char>("digit");
    QTest::addColumn<double>("timeGrid");
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("frequency");

    QTest::newRow("digit 1") << '1' << 0.47725 << "0.48"
                             << "10476.69";
    QTest::newRow("digit 2") << '2' << 0.9545 << "0.95"
                             << "5238.34";
    QTest::newRow("digit 3") << '3' << 1.43175 << "1.43"
                             << "3492.23";
    QTest::newRow("digit 4, the chip's default") << '4' << 1.909 << "1.91"
                                                 << "2619.17";
    QTest::newRow("digit 5") << '5' << 2.38625 << "2.39"
                             << "2095.34";
    QTest::newRow("digit 6") << '6' << 2.8635 << "2.86"
                             << "1746.11";
    QTest::newRow("digit 7") << '7' << 3.34075 << "3.34"
                             << "1496.67";
    QTest::newRow("digit 8") << '8' << 3.818 << "3.82"
                             << "1309.59";
    QTest::newRow("digit 9 drops the trailing zero") << '9' << 4.29525 << "4.3"
                                                     << "1164.08";
}

void TestDispatcher::timingDigits()
{
    QFETCH(char, digit);
    QFETCH(double, timeGrid);
    QFETCH(QString, grid);
    QFETCH(QString, frequency);

    CoreFixture f;
    f.listen(kTimingProfile, Core::LineMode::Timing);
    f.comm.receive(QByteArray("J1100") + digit + '\r');
    f.settle();

    QCOMPARE(f.core.timeGrid(), timeGrid);
    QCOMPARE(f.core.readout(Readout::TimeGrid), grid);
    QCOMPARE(f.core.readout(Readout::PidFrequency), frequency);
}

void TestDispatcher::timingRepliesThatChangeNothing_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("a reply beginning with a carriage return") << QByteArray("\rJ11007");
    QTest::newRow("a reply beginning with a vertical tab") << QByteArray("\vJ11007");
    QTest::newRow("fewer than seven characters raise no event") << QByteArray("J11007");
}

void TestDispatcher::timingRepliesThatChangeNothing()
{
    QFETCH(QByteArray, reply);

    CoreFixture f;
    f.listen(kTimingProfile, Core::LineMode::Timing);
    f.comm.receive("J11004\r");
    f.settle();
    QCOMPARE(f.core.readout(Readout::TimeGrid), QStringLiteral("1.91"));

    f.comm.receive(reply);
    f.settle();
    QCOMPARE(f.core.timeGrid(), 1.909);
    QCOMPARE(f.core.readout(Readout::TimeGrid), QStringLiteral("1.91"));
    QCOMPARE(f.core.readout(Readout::PidFrequency), QStringLiteral("2619.17"));
}

void TestDispatcher::timingLetterKeepsTheGridButRewritesCaptions_data()
{
    QTest::addColumn<QByteArray>("first"); // an earlier reply, or nothing
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<double>("timeGrid");
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("frequency");

    QTest::newRow("a letter at position 6 keeps the grid and rewrites both captions")
        << QByteArray("J11004\r") << QByteArray("J1100x\r") << 1.909 << "1.91"
        << "2619.17";
    QTest::newRow("a letter before any reply writes 0. and leaves the frequency alone")
        << QByteArray() << QByteArray("J1100x\r") << 0.0 << "0."
        << "stale";
    QTest::newRow("a reply beginning with a line feed is read (only CR and VT are skipped)")
        << QByteArray() << QByteArray("\nJ1107\r") << 3.34075 << "3.34"
        << "1496.67";
    QTest::newRow("digit 0 keeps the grid")
        << QByteArray("J11002\r") << QByteArray("J11000\r") << 0.9545 << "0.95"
        << "5238.34";
}

void TestDispatcher::timingLetterKeepsTheGridButRewritesCaptions()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, reply);
    QFETCH(double, timeGrid);
    QFETCH(QString, grid);
    QFETCH(QString, frequency);

    CoreFixture f;
    f.listen(kTimingProfile, Core::LineMode::Timing);
    if (!first.isEmpty()) {
        f.comm.receive(first);
        f.settle();
    }
    CoreInsides::setReadout(f.core, Readout::TimeGrid, QStringLiteral("stale"));
    CoreInsides::setReadout(f.core, Readout::PidFrequency, QStringLiteral("stale"));

    f.comm.receive(reply);
    f.settle();
    QCOMPARE(f.core.timeGrid(), timeGrid);
    QCOMPARE(f.core.readout(Readout::TimeGrid), grid);
    QCOMPARE(f.core.readout(Readout::PidFrequency), frequency);
}

void TestDispatcher::constantBlockLiesOnItsRow_data()
{
    // The row each byte lands on is the picture's part; here the byte and the colour the scope is
    // given.
    QTest::addColumn<int>("value");
    QTest::addColumn<double>("colour");
    QTest::newRow("byte 0 is plotted at y 511") << 0 << kYellow;
    QTest::newRow("byte 255 is plotted at y 1") << 255 << kYellow;
    QTest::newRow("byte 128 is plotted at y 255, on the centre line") << 128 << kYellow;
    QTest::newRow("the trace takes the chosen colour") << 100 << kMagenta;
}

void TestDispatcher::constantBlockLiesOnItsRow()
{
    QFETCH(int, value);
    QFETCH(double, colour);

    CoreFixture f;
    useTraceColour(f.core, colour);
    f.listen(kCaptureProfile, Core::LineMode::Capture);
    const QStringList before = f.shown.events;
    f.comm.receive(constantBlock(kBlockSize, quint8(value)));
    f.settle();

    QCOMPARE(f.shown.events.mid(before.size()), (QStringList{"clear", blockEvent(colour)}));
    QCOMPARE(f.shown.blocks.size(), 1);
    const ShownRecord::Block& drawn = f.shown.blocks.last();
    QCOMPARE(drawn.colour, colourValue(colour));
    for (int i = 1; i <= kBlockSize; ++i)
        QVERIFY2(drawn.block.entry[i] == std::optional<quint8>(quint8(value)),
                 qPrintable(QString("entry %1").arg(i)));
}

void TestDispatcher::sampleIsDrawnAtTwiceItsIndex()
{
    // One low sample in a block at the top: it reaches the scope at its own index, where the
    // picture puts it at x = 2 * index.
    constexpr int kLow = 50;
    QByteArray block = constantBlock(kBlockSize, 255);
    block[kLow - 1] = 0;

    CoreFixture f;
    f.listen(kCaptureProfile, Core::LineMode::Capture);
    f.comm.receive(block);
    f.settle();

    QCOMPARE(f.core.lastBlock().entry[kLow], std::optional<quint8>(0));
    QCOMPARE(f.core.lastBlock().entry[kLow + 1], std::optional<quint8>(255));
    QCOMPARE(f.shown.blocks.size(), 1);
    const SampleBlock& drawn = f.shown.blocks.last().block;
    QCOMPARE(drawn.entry[kLow - 1], std::optional<quint8>(255));
    QCOMPARE(drawn.entry[kLow], std::optional<quint8>(0));
    QCOMPARE(drawn.entry[kLow + 1], std::optional<quint8>(255));
    QCOMPARE(f.shown.blocks.last().colour, colourValue(kYellow));
}

void TestDispatcher::blockMissingItsLastByteEndsAtTheLastSample()
{
    // 299 bytes raise the event; the 300th entry reads nothing and is left empty, so the trace
    // ends at sample 299 instead of running on to the edge.
    constexpr int kLevel = 100;

    CoreFixture f;
    f.listen(kCaptureProfile, Core::LineMode::Capture);
    f.comm.receive(constantBlock(kCaptureProfile.threshold, kLevel)); // 299 bytes
    f.settle();

    QCOMPARE(f.core.lastBlock().entry[kBlockSize - 1], std::optional<quint8>(kLevel));
    QCOMPARE(f.core.lastBlock().entry[kBlockSize], std::nullopt);
    QCOMPARE(f.shown.blocks.size(), 1);
    const SampleBlock& drawn = f.shown.blocks.last().block;
    QCOMPARE(drawn.entry[1], std::optional<quint8>(kLevel));
    QCOMPARE(drawn.entry[kBlockSize - 1], std::optional<quint8>(kLevel));
    QCOMPARE(drawn.entry[kBlockSize], std::nullopt);
}

void TestDispatcher::captureCycleClosesDrawsEmptiesAndReopens()
{
    CoreFixture f;
    f.listen(kCaptureProfile, Core::LineMode::Capture);
    CoreInsides::setLampColour(f.core, static_cast<int>(kRed));
    const QStringList before = f.shown.events;
    // The port as the block reaches the scope: closed, and not yet opened again.
    QStringList logWhenDrawn;
    bool openWhenDrawn = true;
    QObject::connect(&f.core, &Core::blockDrawn, &f.core, [&] {
        logWhenDrawn = f.comm.log;
        openWhenDrawn = f.comm.portOpen();
    });
    QByteArray block;
    for (int i = 0; i < kBlockSize; ++i)
        block.append(char(i % 256));
    f.comm.receive(block + QByteArray("beyond the block"));
    f.settle();

    QCOMPARE(f.comm.log, (QStringList{"close", QStringLiteral("open %1").arg(kPort)}));
    QVERIFY(f.comm.portOpen());
    QCOMPARE(f.comm.rThreshold(), kCaptureProfile.threshold);
    QCOMPARE(f.comm.inBufferCount(), 0); // the bytes beyond the block are gone
    QCOMPARE(f.core.lampColour(), static_cast<int>(kGreen));
    for (int i = 1; i <= kBlockSize; ++i)
        QCOMPARE(f.core.lastBlock().entry[i], std::optional<quint8>((i - 1) % 256));
    // Cleared before drawing, so the old trace is gone; the block drawn is the one stored.
    QCOMPARE(f.shown.events.mid(before.size()), (QStringList{"clear", blockEvent(kYellow)}));
    QCOMPARE(f.shown.blocks.size(), 1);
    QVERIFY(f.shown.blocks.last().block.entry == f.core.lastBlock().entry);
    QCOMPARE(logWhenDrawn, QStringList{"close"});
    QVERIFY(!openWhenDrawn);
    QVERIFY(f.dialogs.shown.isEmpty());

    // The next block arrives on the reopened port and is drawn in turn.
    f.comm.receive(constantBlock(kBlockSize, 7));
    f.settle();
    QCOMPARE(f.core.lastBlock().entry[1], std::optional<quint8>(7));
    QCOMPARE(f.comm.log.size(), 4);
    QCOMPARE(f.shown.blocks.size(), 2);
    QCOMPARE(f.shown.blocks.last().block.entry[1], std::optional<quint8>(7));
}

void TestDispatcher::captureReopenFailure_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("yields");
    QTest::newRow("refused settings (8015) only yield twice and show nothing")
        << CommErrorNumber::BadSettings << QStringList{} << 2;
    QTest::newRow("any other number is shown in a box")
        << CommErrorNumber::PortInUse << QStringList{"8005"} << 0;
}

void TestDispatcher::captureReopenFailure()
{
    QFETCH(int, number);
    QFETCH(QStringList, boxes);
    QFETCH(int, yields);

    CoreFixture f;
    f.listen(kCaptureProfile, Core::LineMode::Capture);
    const int choice = f.core.portPosition();
    QSignalSpy choiceCleared(&f.core, &Core::portChoiceCleared);
    f.comm.openFailures.insert(kPort, number);
    YieldProbe probe(f);
    f.comm.receive(constantBlock(kBlockSize, 42));
    probe.arm();
    f.settle();

    QCOMPARE(f.dialogs.texts(), boxes);
    for (const auto& shown : f.dialogs.shown)
        QCOMPARE(shown.buttons, MsgButtons::Ok);
    QVERIFY(!f.comm.portOpen());
    QCOMPARE(f.comm.log, QStringList{"close"});
    QCOMPARE(f.core.lastBlock().entry[1], std::optional<quint8>(42)); // drawn before
    QCOMPARE(f.shown.blocks.size(), 1);
    QVERIFY(f.shown.formTexts.isEmpty()); // not the shared port-error report
    QCOMPARE(f.core.portPosition(), choice); // the choice stays
    QCOMPARE(choiceCleared.count(), 0);
    QVERIFY(probe.handlerReturned);
    QCOMPARE(probe.yields(), yields);
}

void TestDispatcher::lineEventCodes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("breakAfter");
    QTest::addColumn<int>("yields");
    QTest::newRow("1001 (a break) switches the break state off and nothing else")
        << Comm::kEventBreak << false << 0;
    QTest::newRow("3 (CTS changed) during a capture only yields once") << Comm::kEvCts << true << 1;
    QTest::newRow("1008 (receive buffer overflow) does nothing") << 1008 << true << 0;
}

void TestDispatcher::lineEventCodes()
{
    QFETCH(int, code);
    QFETCH(bool, breakAfter);
    QFETCH(int, yields);

    CoreFixture f;
    f.listen(kCaptureProfile, Core::LineMode::Capture);
    f.comm.setBreak(true);
    f.comm.receive(constantBlock(10, 1)); // below the threshold: waits, not a block
    const QStringList before = f.shown.events;
    f.settle();
    YieldProbe probe(f);
    f.comm.raiseLineEvent(code);
    probe.arm();
    f.settle();

    QCOMPARE(f.comm.breakState(), breakAfter);
    QVERIFY(probe.handlerReturned);
    QCOMPARE(probe.yields(), yields);
    QCOMPARE(f.comm.inBufferCount(), 10);
    QVERIFY(f.comm.log.isEmpty());
    QVERIFY(f.comm.portOpen());
    QCOMPARE(f.shown.events, before); // the scope is neither cleared nor drawn on
    QVERIFY(f.shown.blocks.isEmpty());
    QCOMPARE(f.core.lastBlock().entry[1], std::nullopt);
}

void TestDispatcher::unknownModeLeavesBytesUnread()
{
    CoreFixture f;
    f.listen(kConsoleProfile, Core::LineMode(3)); // a mode the core does not know
    QSignalSpy events(&f.comm, &Comm::onComm);
    const QString grid = f.core.readout(Readout::TimeGrid);
    const QStringList before = f.shown.events;

    f.comm.receive("J11004\r");
    f.settle(200);

    // Raised once for the arrival, and not again while the handler leaves the bytes alone.
    QCOMPARE(events.count(), 1);
    QCOMPARE(f.comm.inBufferCount(), 7);
    QVERIFY(f.core.consoleText().text().isEmpty());
    QCOMPARE(f.core.readout(Readout::TimeGrid), grid);
    QCOMPARE(f.shown.events, before); // the scope is neither cleared nor drawn on
    QVERIFY(f.shown.blocks.isEmpty());
    QVERIFY(f.comm.log.isEmpty());

    f.comm.receive("x"); // new bytes raise it once more
    f.settle();
    QCOMPARE(events.count(), 2);
    QCOMPARE(f.comm.inBufferCount(), 8);
}

QTEST_GUILESS_MAIN(TestDispatcher)
#include "tst_dispatcher.moc"
