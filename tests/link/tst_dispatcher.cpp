// MSComm_OnComm on the fake port: console characters, timing replies, capture blocks drawn to the
// pixel, the capture cycle's close and reopen, the line event codes and unknown receive modes.

#include "YieldProbe.h"
#include "support/WindowFixture.h"

#include "window/ConsoleView.h"
#include "core/link/Link.h"
#include "window/ScopeSurface.h"
#include "picture/TraceDrawing.h"

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

namespace {
constexpr int kPort = 1;
constexpr int kBottom = 511;

QRgb rgbOf(double colour)
{
    return oleColour(static_cast<long long>(colour)).rgb();
}

// Opens the fake port with a receive profile and mode, as the sending handlers do.
void listen(WindowFixture& f, const ReceiveProfile& profile, quint8 mode)
{
    f.fo.state.portNumber = kPort;
    f.fo.link().reopenPort(profile);
    f.fo.state.receiveMode = mode;
    f.comm.log.clear();
}

bool traceAt(const QImage& image, int x, int y, QRgb colour)
{
    return (image.pixel(x, y) & RGB_MASK) == (colour & RGB_MASK);
}

QByteArray constantBlock(int size, quint8 value)
{
    return QByteArray(size, char(value));
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
    void blockWithGapsIsOneConnectedLine();
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
    WindowFixture f;
    listen(f, kConsoleProfile, ModeConsole);
    setConsoleText(f.fo.core(), QStringLiteral("> "));
    f.fo.setLampColour(static_cast<int>(kGreen));
    QSignalSpy events(&f.comm, &Comm::onComm);

    for (const char c : {'a', 'b', '\r', '\n'})
        f.comm.receive(QByteArray(1, c));
    f.settle(40);

    QCOMPARE(events.count(), 4);
    QCOMPARE(f.fo.Text->text(), QStringLiteral("> ab\r\n"));
    QCOMPARE(f.fo.lampColour(), static_cast<int>(kRed));
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

    WindowFixture f;
    listen(f, kTimingProfile, ModeTiming);
    f.comm.receive(QByteArray("J1100") + digit + '\r');
    f.settle();

    QCOMPARE(f.fo.state.timeGrid, timeGrid);
    QCOMPARE(f.fo.Gr(2)->text(), grid);
    QCOMPARE(f.fo.MX(5)->text(), frequency);
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

    WindowFixture f;
    listen(f, kTimingProfile, ModeTiming);
    f.comm.receive("J11004\r");
    f.settle();
    QCOMPARE(f.fo.Gr(2)->text(), QStringLiteral("1.91"));

    f.comm.receive(reply);
    f.settle();
    QCOMPARE(f.fo.state.timeGrid, 1.909);
    QCOMPARE(f.fo.Gr(2)->text(), QStringLiteral("1.91"));
    QCOMPARE(f.fo.MX(5)->text(), QStringLiteral("2619.17"));
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

    WindowFixture f;
    listen(f, kTimingProfile, ModeTiming);
    if (!first.isEmpty()) {
        f.comm.receive(first);
        f.settle();
    }
    f.fo.core().setReadout(Readout::TimeGrid, QStringLiteral("stale"));
    f.fo.core().setReadout(Readout::PidFrequency, QStringLiteral("stale"));

    f.comm.receive(reply);
    f.settle();
    QCOMPARE(f.fo.state.timeGrid, timeGrid);
    QCOMPARE(f.fo.Gr(2)->text(), grid);
    QCOMPARE(f.fo.MX(5)->text(), frequency);
}

void TestDispatcher::constantBlockLiesOnItsRow_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("row");
    QTest::addColumn<double>("colour");
    QTest::newRow("byte 0 is plotted at y 511") << 0 << 511 << kYellow;
    QTest::newRow("byte 255 is plotted at y 1") << 255 << 1 << kYellow;
    QTest::newRow("byte 128 is plotted at y 255, on the centre line") << 128 << 255 << kYellow;
    QTest::newRow("the trace takes the chosen colour") << 100 << 311 << kMagenta;
}

void TestDispatcher::constantBlockLiesOnItsRow()
{
    QFETCH(int, value);
    QFETCH(int, row);
    QFETCH(double, colour);

    WindowFixture f;
    f.fo.state.traceColour = colour;
    listen(f, kCaptureProfile, ModeCapture);
    f.comm.receive(constantBlock(kBlockSize, quint8(value)));
    f.settle();

    const QImage image = f.fo.Rajz->composite();
    const QRgb trace = rgbOf(colour);
    for (int x = 0; x < image.width(); ++x) {
        QVERIFY2(traceAt(image, x, row, trace), qPrintable(QString("x %1").arg(x)));
        if (row > 0)
            QVERIFY2(!traceAt(image, x, row - 1, trace), qPrintable(QString("x %1").arg(x)));
        if (row < kBottom)
            QVERIFY2(!traceAt(image, x, row + 1, trace), qPrintable(QString("x %1").arg(x)));
    }
}

void TestDispatcher::sampleIsDrawnAtTwiceItsIndex()
{
    // One low sample in a block at the top: only its own column reaches the bottom row.
    constexpr int kLow = 50;
    QByteArray block = constantBlock(kBlockSize, 255);
    block[kLow - 1] = 0;

    WindowFixture f;
    listen(f, kCaptureProfile, ModeCapture);
    f.comm.receive(block);
    f.settle();

    const QImage image = f.fo.Rajz->composite();
    const QRgb trace = rgbOf(kYellow);
    QVERIFY(traceAt(image, 2 * kLow, kBottom, trace));
    QVERIFY(!traceAt(image, 2 * kLow - 1, kBottom, trace));
    QVERIFY(!traceAt(image, 2 * kLow + 1, kBottom, trace));
    QCOMPARE(f.fo.state.sampleBlock.entry[kLow], std::optional<quint8>(0));
    QCOMPARE(f.fo.state.sampleBlock.entry[kLow + 1], std::optional<quint8>(255));
}

void TestDispatcher::blockWithGapsIsOneConnectedLine()
{
    // A block read from the port has gaps only at its end; the redraw of a stored block (markers)
    // uses the same drawing, which joins across empty entries.
    SampleBlock block;
    for (int i = 1; i <= kBlockSize; ++i)
        if (i <= 100 || i > 200)
            block.entry[i] = quint8(i <= 100 ? 50 : 200);

    WindowFixture f;
    f.fo.Rajz->cls();
    drawTrace(f.fo.Rajz->picture(), block, rgbOf(kYellow));
    const QImage image = f.fo.Rajz->composite();
    const QRgb trace = rgbOf(kYellow);
    for (int x = 0; x < image.width(); ++x) {
        bool covered = false;
        for (int y = 0; y < image.height() && !covered; ++y)
            covered = traceAt(image, x, y, trace);
        QVERIFY2(covered, qPrintable(QString("no trace in column %1").arg(x)));
    }
    QVERIFY(traceAt(image, 0, kBottom - 2 * 50, trace)); // starts at the first sample's level
}

void TestDispatcher::blockMissingItsLastByteEndsAtTheLastSample()
{
    constexpr int kLevel = 100;
    const int row = kBottom - 2 * kLevel;

    WindowFixture f;
    listen(f, kCaptureProfile, ModeCapture);
    f.comm.receive(constantBlock(kCaptureProfile.threshold, kLevel)); // 299 bytes
    f.settle();

    QCOMPARE(f.fo.state.sampleBlock.entry[kBlockSize - 1], std::optional<quint8>(kLevel));
    QCOMPARE(f.fo.state.sampleBlock.entry[kBlockSize], std::nullopt);
    const QImage image = f.fo.Rajz->composite();
    const QRgb trace = rgbOf(kYellow);
    QVERIFY(traceAt(image, 0, row, trace));
    QVERIFY(traceAt(image, 2 * (kBlockSize - 1) - 1, row, trace));
    // A full block would go on to x 600 and colour the last column; this one stops at x 598.
    QVERIFY(!traceAt(image, 2 * kBlockSize - 1, row, trace));
    QCOMPARE(f.fo.Rajz->picture().currentPosition(), QPointF(2 * (kBlockSize - 1), row));
}

void TestDispatcher::captureCycleClosesDrawsEmptiesAndReopens()
{
    WindowFixture f;
    listen(f, kCaptureProfile, ModeCapture);
    f.fo.setLampColour(static_cast<int>(kRed));
    f.fo.Rajz->line(QPointF(0, 0), QPointF(599, 0), rgbOf(kYellow)); // an old trace
    QByteArray block;
    for (int i = 0; i < kBlockSize; ++i)
        block.append(char(i % 256));
    f.comm.receive(block + QByteArray("beyond the block"));
    f.settle();

    QCOMPARE(f.comm.log, (QStringList{"close", QStringLiteral("open %1").arg(kPort)}));
    QVERIFY(f.comm.portOpen());
    QCOMPARE(f.comm.rThreshold(), kCaptureProfile.threshold);
    QCOMPARE(f.comm.inBufferCount(), 0); // the bytes beyond the block are gone
    QCOMPARE(f.fo.lampColour(), static_cast<int>(kGreen));
    for (int i = 1; i <= kBlockSize; ++i)
        QCOMPARE(f.fo.state.sampleBlock.entry[i], std::optional<quint8>((i - 1) % 256));
    const QImage image = f.fo.Rajz->composite();
    QVERIFY(!traceAt(image, 300, 0, rgbOf(kYellow))); // cleared before drawing
    QVERIFY(traceAt(image, 2, kBottom - 2 * 0, rgbOf(kYellow)));
    QVERIFY(f.dialogs.shown.isEmpty());

    // The next block arrives on the reopened port and is drawn in turn.
    f.comm.receive(constantBlock(kBlockSize, 7));
    f.settle();
    QCOMPARE(f.fo.state.sampleBlock.entry[1], std::optional<quint8>(7));
    QCOMPARE(f.comm.log.size(), 4);
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

    WindowFixture f;
    listen(f, kCaptureProfile, ModeCapture);
    const int choice = f.fo.Portok->currentIndex();
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
    QCOMPARE(f.fo.state.sampleBlock.entry[1], std::optional<quint8>(42)); // drawn before
    QVERIFY(f.fo.formTexts().isEmpty());           // not the shared port-error report
    QCOMPARE(f.fo.Portok->currentIndex(), choice); // the choice stays
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

    WindowFixture f;
    listen(f, kCaptureProfile, ModeCapture);
    f.comm.setBreak(true);
    f.comm.receive(constantBlock(10, 1)); // below the threshold: waits, not a block
    const QImage before = f.fo.Rajz->composite();
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
    QCOMPARE(f.fo.Rajz->composite(), before);
    QCOMPARE(f.fo.state.sampleBlock.entry[1], std::nullopt);
}

void TestDispatcher::unknownModeLeavesBytesUnread()
{
    WindowFixture f;
    listen(f, kConsoleProfile, 3);
    QSignalSpy events(&f.comm, &Comm::onComm);
    const QString grid = f.fo.Gr(2)->text();
    const QImage before = f.fo.Rajz->composite();

    f.comm.receive("J11004\r");
    f.settle(200);

    // Raised once for the arrival, and not again while the handler leaves the bytes alone.
    QCOMPARE(events.count(), 1);
    QCOMPARE(f.comm.inBufferCount(), 7);
    QVERIFY(f.fo.Text->text().isEmpty());
    QCOMPARE(f.fo.Gr(2)->text(), grid);
    QCOMPARE(f.fo.Rajz->composite(), before);
    QVERIFY(f.comm.log.isEmpty());

    f.comm.receive("x"); // new bytes raise it once more
    f.settle();
    QCOMPARE(events.count(), 2);
    QCOMPARE(f.comm.inBufferCount(), 8);
}

QTEST_MAIN(TestDispatcher)
#include "tst_dispatcher.moc"
