// SPDX-License-Identifier: GPL-3.0-or-later
// The scope as the window shows it: the markers and traces the core tells drawn on the surface,
// the surface's own mouse events and the colour swatches under a real mouse (the picture files:
// tst_picturefilesview). What the core tells, and when: tst_markers, tst_tracecolour.

#include "core/scope/Markers.h"
#include "core/scope/ScopeControl.h"
#include "core/scope/TraceColour.h"
#include "picture/ScopePicture.h"
#include "picture/TraceDrawing.h"
#include "support/WindowFixture.h"
#include "window/Fo.h"
#include "window/ScopeSurface.h"

#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QTest>

namespace {
constexpr int kLeft = ScopeSurface::kLeftButton;
constexpr int kRight = ScopeSurface::kRightButton;

// A press on Rajz as the surface reports it, through the window's wiring.
void click(Fo& fo, int button, float x, float y = 100)
{
    Q_EMIT fo.Rajz->mouseDown(button, 0, x, y);
}

// True when the drawing layer holds nothing: the surface shows its background alone.
bool layerEmpty(const ScopePicture& picture)
{
    const QImage& layer = picture.drawingLayer();
    for (int y = 0; y < layer.height(); ++y)
        for (int x = 0; x < layer.width(); ++x)
            if (qAlpha(layer.pixel(x, y)) != 0)
                return false;
    return true;
}

// The leftmost column at or after fromX holding a drawn pixel in the label band at the top.
int leftmostInLabelBand(const ScopePicture& picture, int fromX)
{
    const QImage& layer = picture.drawingLayer();
    for (int x = fromX; x < layer.width(); ++x)
        for (int y = 0; y < 20; ++y)
            if (qAlpha(layer.pixel(x, y)) != 0)
                return x;
    return -1;
}

// Drawn pixels in the label band outside the marker line's column: the written text.
int labelPixels(const ScopePicture& picture, int fromX, int lineX)
{
    const QImage& layer = picture.drawingLayer();
    int count = 0;
    for (int x = fromX; x < layer.width(); ++x)
        for (int y = 6; y < 20; ++y)
            if (x != lineX && qAlpha(layer.pixel(x, y)) != 0)
                ++count;
    return count;
}

} // namespace

class TestScopeView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Markers and the redraw, as drawn on the surface.
    void labelsMoveInNearTheRightEdge_data();
    void labelsMoveInNearTheRightEdge();
    void rightClickRedrawsTheStoredBlockInTheChosenColour();
    void rightClickBeforeAnyBlockDrawsNothingVisible();
    void middleButtonDoesNothing();

    // The trace colour swatches and the colour drawn.
    void theButtonsOnTheWindowChooseTheirColours();
    void aClickAnywhereOnASwatchChoosesIt_data();
    void aClickAnywhereOnASwatchChoosesIt();
    void aColourChosenWhileRunningDrawsTheNextBlock();
};

void TestScopeView::labelsMoveInNearTheRightEdge_data()
{
    QTest::addColumn<bool>("endMarker");
    QTest::addColumn<float>("x");
    QTest::addColumn<int>("labelX");
    // Where each label starts is the scope geometry's to say (tst_markers, every edge case);
    // here the surface writes it there, moved in and not.
    QTest::newRow("Start at 549 is written from 549") << false << 549.0f << 549;
    QTest::newRow("End at 560 is written from 540") << true << 560.0f << 540;
}

void TestScopeView::labelsMoveInNearTheRightEdge()
{
    QFETCH(bool, endMarker);
    QFETCH(float, x);
    QFETCH(int, labelX);

    WindowFixture f;
    Fo& fo = f.fo;
    constexpr int kOtherMarkerX = 40; // far left of the columns looked at
    constexpr int kLookFrom = 300;
    if (endMarker)
        click(fo, kLeft, kOtherMarkerX);
    click(fo, kLeft, x);

    const ScopePicture& picture = fo.Rajz->picture();
    const QRgb fore = fo.Rajz->foreColour();
    // The line stays at x itself, over the whole height, in the surface's fore colour.
    for (int y : {0, 255, 511})
        QCOMPARE(picture.drawingLayer().pixel(int(x), y), fore);
    QCOMPARE(leftmostInLabelBand(picture, kLookFrom), labelX);
    QCOMPARE(picture.drawingLayer().pixel(labelX, int(ScopeGeometry::kLabelTop)), fore);
    QVERIFY2(labelPixels(picture, kLookFrom, int(x)) > 10, "the label was not written");
}

void TestScopeView::rightClickRedrawsTheStoredBlockInTheChosenColour()
{
    WindowFixture f;
    Fo& fo = f.fo;
    constexpr int kReceived = 200; // the last 100 entries never arrived
    constexpr quint8 kLevel = 100; // drawn at y 511 - 200
    SampleBlock received;
    for (int i = 1; i <= kReceived; ++i)
        received.entry[i] = kLevel;
    holdBlock(fo.core(), received);
    knowTiming(fo.core(), 1);
    click(fo, kLeft, 450);
    click(fo, kLeft, 500);
    Q_EMIT fo.Rajz->mouseMove(0, 0, 20, 30);
    fo.core().chooseTraceColour(3);
    // Both marker lines are on the surface before the right click.
    for (int x : {450, 500})
        QCOMPARE(fo.Rajz->picture().drawingLayer().pixel(x, 255), fo.Rajz->foreColour());

    click(fo, kRight, 123);

    const QImage& layer = fo.Rajz->picture().drawingLayer();
    const QRgb magenta = oleColour(qint64(kMagenta)).rgb();
    QCOMPARE(layer.pixel(100, 311), magenta);
    QCOMPARE(layer.pixel(2 * kReceived - 2, 311), magenta);
    // Nothing beyond the last received sample, and the marker lines are gone.
    for (int x = 2 * kReceived + 1; x < layer.width(); ++x)
        for (int y = 0; y < layer.height(); ++y)
            QVERIFY(qAlpha(layer.pixel(x, y)) == 0);
    // The marker boxes are emptied; the pointer boxes keep what they showed.
    for (int i = 2; i <= 4; ++i)
        QVERIFY(fo.MX(i)->text().isEmpty());
    QCOMPARE(fo.MX(0)->text(), QStringLiteral("10."));
    QCOMPARE(fo.MX(1)->text(), QStringLiteral("112"));
}

void TestScopeView::rightClickBeforeAnyBlockDrawsNothingVisible()
{
    WindowFixture f;
    Fo& fo = f.fo;
    click(fo, kLeft, 100);
    QVERIFY(!layerEmpty(fo.Rajz->picture()));

    click(fo, kRight, 100);

    QVERIFY(layerEmpty(fo.Rajz->picture()));
    QVERIFY(fo.MX(2)->text().isEmpty());
}

void TestScopeView::middleButtonDoesNothing()
{
    // Through the surface's own mouse events, on a running scope: the middle button neither
    // stops it nor marks nor draws...
    WindowFixture f;
    Fo& fo = f.fo;
    fo.core().startScope();
    f.comm.log.clear();
    QTest::mouseClick(fo.Rajz, Qt::MiddleButton, {}, QPoint(100, 100));
    QVERIFY(layerEmpty(fo.Rajz->picture()));
    QVERIFY(f.comm.log.isEmpty());
    QVERIFY(f.comm.portOpen());
    QCOMPARE(fo.lampColour(), int(kGreen));
    QCOMPARE(fo.core().markerStart(), -1.0f);
    QVERIFY(fo.MX(2)->text().isEmpty());

    // ... where the left button places a marker, so the path above was live.
    QTest::mouseClick(fo.Rajz, Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(fo.Rajz->picture().drawingLayer().pixel(100, 255), fo.Rajz->foreColour());
}

void TestScopeView::theButtonsOnTheWindowChooseTheirColours()
{
    WindowFixture f;
    // Right to left, so every click changes the colour.
    const QList<double> colours{65535, 255, 0, 16711935};
    for (int i = int(colours.size()) - 1; i >= 0; --i) {
        f.fo.Szin(i)->click();
        QCOMPARE(f.fo.core().traceColour(), int(colours[i]));
    }
}

void TestScopeView::aClickAnywhereOnASwatchChoosesIt_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("colour");
    QTest::addColumn<QPoint>("where"); // from the swatch's right edge and vertical middle

    QTest::newRow("the middle of the red swatch") << 1 << 255.0 << QPoint(-14, 0);
    QTest::newRow("the right end of the black swatch") << 2 << 0.0 << QPoint(-2, 0);
    QTest::newRow("the bottom right corner of the magenta swatch")
        << 3 << 16711935.0 << QPoint(-1, 8);
}

void TestScopeView::aClickAnywhereOnASwatchChoosesIt()
{
    QFETCH(int, index);
    QFETCH(double, colour);
    QFETCH(QPoint, where);

    WindowFixture f;
    QRadioButton* option = f.fo.Szin(index);
    const QPoint at(option->width() - 1 + where.x(), option->height() / 2 + where.y());
    QVERIFY(option->rect().contains(at));
    QTest::mouseClick(option, Qt::LeftButton, Qt::NoModifier, at);

    QVERIFY(option->isChecked());
    QVERIFY(!f.fo.Szin(0)->isChecked());
    QCOMPARE(f.fo.core().traceColour(), int(colour));
}

void TestScopeView::aColourChosenWhileRunningDrawsTheNextBlock()
{
    WindowFixture f;
    Fo& fo = f.fo;
    fo.core().startScope();
    fo.core().chooseTraceColour(1);

    constexpr quint8 kLevel = 128; // on the zero line, y 255
    f.comm.receive(QByteArray(kBlockSize, char(kLevel)));
    WindowFixture::settle();

    QCOMPARE(fo.Rajz->picture().drawingLayer().pixel(300, 255), qRgb(255, 0, 0));
}

QTEST_MAIN(TestScopeView)
#include "tst_scopeview.moc"
