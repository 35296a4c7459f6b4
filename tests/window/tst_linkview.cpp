// SPDX-License-Identifier: GPL-3.0-or-later
// The blocks the chip sends, as the window shows them: a captured block drawn on Rajz to the
// pixel, and each capture turning the lamp green and clearing the old trace before it draws the
// new one. The core's side (what it reads, the port's close and reopen, what it hands to the
// scope) is tested in tests/core/link/tst_dispatcher.cpp.

#include "support/WindowFixture.h"

#include "core/link/Link.h"
#include "picture/TraceDrawing.h"
#include "window/ScopeSurface.h"

#include <QLabel>
#include <QTest>

namespace {
constexpr int kBottom = 511;

QRgb rgbOf(double colour)
{
    return oleColour(static_cast<long long>(colour)).rgb();
}

bool traceAt(const QImage& image, int x, int y, QRgb colour)
{
    return (image.pixel(x, y) & RGB_MASK) == (colour & RGB_MASK);
}

} // namespace

class TestLinkView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void constantBlockLiesOnItsRow_data();
    void constantBlockLiesOnItsRow();
    void sampleIsDrawnAtTwiceItsIndex();
    void blockWithGapsIsOneConnectedLine();
    void blockMissingItsLastByteEndsAtTheLastSample();

    void captureCycleLightsTheLampAndReplacesTheTrace();
};

void TestLinkView::constantBlockLiesOnItsRow_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("row");
    QTest::addColumn<double>("colour");
    QTest::newRow("byte 0 is plotted at y 511") << 0 << 511 << kYellow;
    QTest::newRow("byte 255 is plotted at y 1") << 255 << 1 << kYellow;
    QTest::newRow("byte 128 is plotted at y 255, on the centre line") << 128 << 255 << kYellow;
    QTest::newRow("the trace takes the chosen colour") << 100 << 311 << kMagenta;
}

void TestLinkView::constantBlockLiesOnItsRow()
{
    QFETCH(int, value);
    QFETCH(int, row);
    QFETCH(double, colour);

    WindowFixture f;
    useTraceColour(f.fo.core(), colour);
    f.listen(kCaptureProfile, Core::LineMode::Capture);
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

void TestLinkView::sampleIsDrawnAtTwiceItsIndex()
{
    // One low sample in a block at the top: only its own column reaches the bottom row.
    constexpr int kLow = 50;
    QByteArray block = constantBlock(kBlockSize, 255);
    block[kLow - 1] = 0;

    WindowFixture f;
    f.listen(kCaptureProfile, Core::LineMode::Capture);
    f.comm.receive(block);
    f.settle();

    const QImage image = f.fo.Rajz->composite();
    const QRgb trace = rgbOf(kYellow);
    QVERIFY(traceAt(image, 2 * kLow, kBottom, trace));
    QVERIFY(!traceAt(image, 2 * kLow - 1, kBottom, trace));
    QVERIFY(!traceAt(image, 2 * kLow + 1, kBottom, trace));
}

void TestLinkView::blockWithGapsIsOneConnectedLine()
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

void TestLinkView::blockMissingItsLastByteEndsAtTheLastSample()
{
    constexpr int kLevel = 100;
    const int row = kBottom - 2 * kLevel;

    WindowFixture f;
    f.listen(kCaptureProfile, Core::LineMode::Capture);
    f.comm.receive(constantBlock(kCaptureProfile.threshold, kLevel)); // 299 bytes
    f.settle();

    const QImage image = f.fo.Rajz->composite();
    const QRgb trace = rgbOf(kYellow);
    QVERIFY(traceAt(image, 0, row, trace));
    QVERIFY(traceAt(image, 2 * (kBlockSize - 1) - 1, row, trace));
    // A full block would go on to x 600 and colour the last column; this one stops at x 598.
    QVERIFY(!traceAt(image, 2 * kBlockSize - 1, row, trace));
    QCOMPARE(f.fo.Rajz->picture().currentPosition(), QPointF(2 * (kBlockSize - 1), row));
}

void TestLinkView::captureCycleLightsTheLampAndReplacesTheTrace()
{
    WindowFixture f;
    f.listen(kCaptureProfile, Core::LineMode::Capture);
    CoreInsides::setLampColour(f.fo.core(), static_cast<int>(kRed));
    f.fo.Rajz->line(QPointF(0, 0), QPointF(599, 0), rgbOf(kYellow)); // an old trace
    QByteArray block;
    for (int i = 0; i < kBlockSize; ++i)
        block.append(char(i % 256));
    f.comm.receive(block + QByteArray("beyond the block"));
    f.settle();

    // The lamp turns green, the old trace is cleared away and the block drawn in its place.
    QCOMPARE(f.fo.LED1->palette().color(QPalette::Window), oleColour(qint64(kGreen)));
    QImage image = f.fo.Rajz->composite();
    QVERIFY(!traceAt(image, 300, 0, rgbOf(kYellow)));
    QVERIFY(traceAt(image, 2, kBottom - 2 * 0, rgbOf(kYellow)));

    // The next block arrives on the reopened port and replaces this one on the surface.
    constexpr int kNextLevel = 7;
    f.comm.receive(constantBlock(kBlockSize, kNextLevel));
    f.settle();
    image = f.fo.Rajz->composite();
    QVERIFY(traceAt(image, 300, kBottom - 2 * kNextLevel, rgbOf(kYellow)));
    QVERIFY(!traceAt(image, 2, kBottom, rgbOf(kYellow)));
}

QTEST_MAIN(TestLinkView)
#include "tst_linkview.moc"
