// The scope surface as a measuring tool: pointer readouts, the start and end markers with their
// readouts and labels, the stop of a left click and the redraw of a right click.

#include "core/link/ChipCommands.h"
#include "core/scope/Markers.h"
#include "scope/ScopeChecks.h"
#include "core/scope/ScopeControl.h"
#include "window/ScopeSurface.h"
#include "core/scope/TraceColour.h"
#include "support/WindowFixture.h"

#include <QComboBox>
#include <QLabel>
#include <QtTest>

using namespace ScopeChecks;

namespace {
constexpr int kLeft = ScopeSurface::kLeftButton;
constexpr int kRight = ScopeSurface::kRightButton;
constexpr int kMiddle = ScopeSurface::kMiddleButton;
const QString kWriteStop = writeOf(kStopLine);

void click(Fo& fo, int button, float x, float y = 100)
{
    fo.markers().Rajz_MouseDown(button, 0, x, y);
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

class TestMarkers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sampleIndexHalvesGoToEven_data();
    void sampleIndexHalvesGoToEven();
    void pointerReadoutsFollowTheMouse_data();
    void pointerReadoutsFollowTheMouse();
    void markerReadoutsAndWidth_data();
    void markerReadoutsAndWidth();
    void labelsMoveInNearTheRightEdge_data();
    void labelsMoveInNearTheRightEdge();
    void aStartMarkerAtZeroCountsAsPlaced();
    void leftClickStopsTheRunningScopeFirst();
    void thirdLeftClickOnlyStops();
    void leftClickOnAPortThatCannotOpenPlacesNoMarker();
    void rightClickRedrawsTheStoredBlockInTheChosenColour();
    void rightClickBeforeAnyBlockDrawsNothingVisible();
    void middleButtonDoesNothing();
};

void TestMarkers::sampleIndexHalvesGoToEven_data()
{
    QTest::addColumn<float>("x");
    QTest::addColumn<double>("index");
    QTest::newRow("x 5 is index 2") << 5.0f << 2.0;
    QTest::newRow("x 7 is index 4") << 7.0f << 4.0;
    QTest::newRow("x 1 is index 0") << 1.0f << 0.0;
    QTest::newRow("x 3 is index 2") << 3.0f << 2.0;
    QTest::newRow("x 599 is index 300") << 599.0f << 300.0;
    QTest::newRow("x 4.2 is index 2") << 4.2f << 2.0;
    QTest::newRow("x -5 left of the surface is index -2") << -5.0f << -2.0;
}

void TestMarkers::sampleIndexHalvesGoToEven()
{
    QFETCH(float, x);
    QFETCH(double, index);
    QCOMPARE(Markers::sampleIndex(x), index);
}

void TestMarkers::pointerReadoutsFollowTheMouse_data()
{
    QTest::addColumn<double>("timeGrid");
    QTest::addColumn<float>("x");
    QTest::addColumn<float>("y");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("level");

    QTest::newRow("top of the surface is level 128") << 1.909 << 5.0f << 0.0f << "3.82"
                                                     << "128";
    QTest::newRow("y 2 reads 126") << 1.909 << 7.0f << 2.0f << "7.64"
                                   << "126";
    QTest::newRow("y 3 reads 126, the half going to even") << 1.909 << 2.0f << 3.0f << "1.91"
                                                           << "126";
    QTest::newRow("y 4 reads 126") << 1.909 << 2.0f << 4.0f << "1.91"
                                   << "126";
    QTest::newRow("y 5 reads 125, the half going to even") << 1.909 << 2.0f << 5.0f << "1.91"
                                                           << "125";
    QTest::newRow("the zero line reads 0") << 1.909 << 0.0f << 255.0f << "."
                                           << "0";
    QTest::newRow("bottom of the surface is level -128") << 1.909 << 599.0f << 511.0f << "572.7"
                                                         << "-128";
    QTest::newRow("before any timing reply the time is a lone point")
        << 0.0 << 300.0f << 100.0f << "."
        << "78";
    QTest::newRow("a time below 1 has no integer digit") << 0.25 << 2.0f << 100.0f << ".25"
                                                         << "78";
    QTest::newRow("dragged out left and above gives a negative time and a level above 128")
        << 1.909 << -20.0f << -10.0f << "-19.09"
        << "132";
    QTest::newRow("dragged out below gives a level under -128")
        << 1.909 << 610.0f << 600.0f << "582.25"
        << "-172";
}

void TestMarkers::pointerReadoutsFollowTheMouse()
{
    QFETCH(double, timeGrid);
    QFETCH(float, x);
    QFETCH(float, y);
    QFETCH(QString, time);
    QFETCH(QString, level);

    WindowFixture w;
    w.fo.state.timeGrid = timeGrid;
    w.fo.markers().Rajz_MouseMove(kLeft, 0, x, y);

    QCOMPARE(w.fo.MX(0)->text(), time);
    QCOMPARE(w.fo.MX(1)->text(), level);
    QVERIFY(w.comm.log.isEmpty());
}

void TestMarkers::markerReadoutsAndWidth_data()
{
    QTest::addColumn<double>("timeGrid");
    QTest::addColumn<float>("startX");
    QTest::addColumn<float>("endX");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("width");

    QTest::newRow("x 5 and 7 with the grid 1.909 read 3.82 and 7.64")
        << 1.909 << 5.0f << 7.0f << "3.82"
        << "7.64"
        << "3.82";
    QTest::newRow("start 12.35 and end 10.1 are 2.25 apart") << 0.05 << 494.0f << 404.0f << "12.35"
                                                             << "10.1"
                                                             << "2.25";
    QTest::newRow("start 3. and end 0. are 3. apart") << 1.0 << 6.0f << 0.0f << "3."
                                                      << "0."
                                                      << "3.";
    QTest::newRow("the width is the difference of the rounded texts, not of the times")
        << 0.3333 << 2.0f << 4.0f << "0.33"
        << "0.67"
        << "0.34";
    QTest::newRow("before any timing reply every marker time reads 0.")
        << 0.0 << 100.0f << 300.0f << "0."
        << "0."
        << "0.";
}

void TestMarkers::markerReadoutsAndWidth()
{
    QFETCH(double, timeGrid);
    QFETCH(float, startX);
    QFETCH(float, endX);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, width);

    WindowFixture w;
    Fo& fo = w.fo;
    fo.state.timeGrid = timeGrid;

    click(fo, kLeft, startX);
    QCOMPARE(fo.state.markerStart, startX);
    QCOMPARE(fo.MX(2)->text(), start);
    QVERIFY(fo.MX(3)->text().isEmpty());

    click(fo, kLeft, endX);
    QCOMPARE(fo.state.markerEnd, endX);
    QCOMPARE(fo.MX(3)->text(), end);
    QCOMPARE(fo.MX(4)->text(), width);
}

void TestMarkers::labelsMoveInNearTheRightEdge_data()
{
    QTest::addColumn<bool>("endMarker");
    QTest::addColumn<float>("x");
    QTest::addColumn<int>("labelX");
    QTest::newRow("Start at 560 is written from 537") << false << 560.0f << 537;
    QTest::newRow("Start at 550 is written from 527") << false << 550.0f << 527;
    QTest::newRow("Start at 549 is written from 549") << false << 549.0f << 549;
    QTest::newRow("End at 560 is written from 540") << true << 560.0f << 540;
    QTest::newRow("End at 549 is written from 549") << true << 549.0f << 549;
}

void TestMarkers::labelsMoveInNearTheRightEdge()
{
    QFETCH(bool, endMarker);
    QFETCH(float, x);
    QFETCH(int, labelX);

    WindowFixture w;
    Fo& fo = w.fo;
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
    QCOMPARE(picture.drawingLayer().pixel(labelX, int(Markers::kLabelTop)), fore);
    QVERIFY2(labelPixels(picture, kLookFrom, int(x)) > 10, "the label was not written");
}

void TestMarkers::aStartMarkerAtZeroCountsAsPlaced()
{
    WindowFixture w;
    Fo& fo = w.fo;
    fo.state.timeGrid = 1;
    click(fo, kLeft, 0);
    QCOMPARE(fo.state.markerStart, 0.0f);
    QCOMPARE(fo.MX(2)->text(), QStringLiteral("0."));

    click(fo, kLeft, 40);
    QCOMPARE(fo.state.markerStart, 0.0f);
    QCOMPARE(fo.state.markerEnd, 40.0f);
    QCOMPARE(fo.MX(3)->text(), QStringLiteral("20."));
    QCOMPARE(fo.MX(4)->text(), QStringLiteral("20."));
}

void TestMarkers::leftClickStopsTheRunningScopeFirst()
{
    WindowFixture w;
    Fo& fo = w.fo;
    fo.scope().Be_Click();
    w.comm.log.clear();

    click(fo, kLeft, 100);

    QCOMPARE(w.comm.log, (QStringList{kWriteStop, kClose}));
    QVERIFY(!w.comm.portOpen());
    QCOMPARE(fo.lampColour(), int(kRed));
    QCOMPARE(fo.state.receiveMode, quint8(ModeCapture));
    QCOMPARE(fo.state.markerStart, 100.0f);
}

void TestMarkers::thirdLeftClickOnlyStops()
{
    WindowFixture w;
    Fo& fo = w.fo;
    fo.state.timeGrid = 1.909;
    click(fo, kLeft, 100);
    click(fo, kLeft, 200);
    const QImage picture = fo.Rajz->picture().drawingLayer().copy();
    const QStringList readouts{fo.MX(2)->text(), fo.MX(3)->text(), fo.MX(4)->text()};
    w.comm.log.clear();
    fo.state.receiveMode = ModeTiming;

    click(fo, kLeft, 300);

    QCOMPARE(w.comm.log, (QStringList{kOpenPort1, kWriteStop, kClose}));
    QCOMPARE(fo.state.receiveMode, quint8(ModeCapture));
    QCOMPARE(fo.state.markerStart, 100.0f);
    QCOMPARE(fo.state.markerEnd, 200.0f);
    QCOMPARE((QStringList{fo.MX(2)->text(), fo.MX(3)->text(), fo.MX(4)->text()}), readouts);
    QCOMPARE(fo.Rajz->picture().drawingLayer(), picture);
}

void TestMarkers::leftClickOnAPortThatCannotOpenPlacesNoMarker()
{
    WindowFixture w;
    Fo& fo = w.fo;
    w.comm.openFailures.insert(1, CommErrorNumber::InvalidPort);

    click(fo, kLeft, 100);

    QCOMPARE(w.dialogs.texts(), QStringList{fo.messages.msgInvalidPort});
    QCOMPARE(fo.Portok->currentIndex(), -1);
    QVERIFY(w.comm.writes.isEmpty());
    QCOMPARE(fo.state.markerStart, -1.0f);
    QVERIFY(fo.MX(2)->text().isEmpty());
    QVERIFY(layerEmpty(fo.Rajz->picture()));
    // The stop's first steps cannot fail and stay done.
    QCOMPARE(fo.lampColour(), int(kRed));
    QCOMPARE(fo.state.receiveMode, quint8(ModeCapture));
}

void TestMarkers::rightClickRedrawsTheStoredBlockInTheChosenColour()
{
    WindowFixture w;
    Fo& fo = w.fo;
    constexpr int kReceived = 200; // the last 100 entries never arrived
    constexpr quint8 kLevel = 100; // drawn at y 511 - 200
    for (int i = 1; i <= kReceived; ++i)
        fo.state.sampleBlock.entry[i] = kLevel;
    fo.state.timeGrid = 1;
    click(fo, kLeft, 450);
    click(fo, kLeft, 500);
    fo.markers().Rajz_MouseMove(0, 0, 20, 30);
    fo.traceColour().Szin_Click(3);
    fo.setLampColour(int(kGreen));
    fo.state.receiveMode = ModeTiming;
    w.comm.log.clear();

    click(fo, kRight, 123);

    const QImage& layer = fo.Rajz->picture().drawingLayer();
    const QRgb magenta = oleColour(qint64(kMagenta)).rgb();
    QCOMPARE(layer.pixel(100, 311), magenta);
    QCOMPARE(layer.pixel(2 * kReceived - 2, 311), magenta);
    // Nothing beyond the last received sample, and the marker lines are gone.
    for (int x = 2 * kReceived + 1; x < layer.width(); ++x)
        for (int y = 0; y < layer.height(); ++y)
            QVERIFY(qAlpha(layer.pixel(x, y)) == 0);
    QCOMPARE(fo.state.markerStart, -1.0f);
    QCOMPARE(fo.state.markerEnd, -1.0f);
    for (int i = 2; i <= 4; ++i)
        QVERIFY(fo.MX(i)->text().isEmpty());
    QCOMPARE(fo.MX(0)->text(), QStringLiteral("10."));
    QCOMPARE(fo.MX(1)->text(), QStringLiteral("112"));
    QVERIFY(w.comm.log.isEmpty());
    QCOMPARE(fo.lampColour(), int(kGreen));
    QCOMPARE(fo.state.receiveMode, quint8(ModeTiming));
}

void TestMarkers::rightClickBeforeAnyBlockDrawsNothingVisible()
{
    WindowFixture w;
    Fo& fo = w.fo;
    click(fo, kLeft, 100);
    QVERIFY(!layerEmpty(fo.Rajz->picture()));

    click(fo, kRight, 100);

    QVERIFY(layerEmpty(fo.Rajz->picture()));
    QCOMPARE(fo.state.markerStart, -1.0f);
    QVERIFY(fo.MX(2)->text().isEmpty());
}

void TestMarkers::middleButtonDoesNothing()
{
    WindowFixture w;
    Fo& fo = w.fo;
    fo.scope().Be_Click();
    w.comm.log.clear();

    click(fo, kMiddle, 100);
    // The same through the surface's own mouse event.
    QTest::mouseClick(fo.Rajz, Qt::MiddleButton, {}, QPoint(100, 100));

    QVERIFY(w.comm.log.isEmpty());
    QVERIFY(w.comm.portOpen());
    QCOMPARE(fo.lampColour(), int(kGreen));
    QCOMPARE(fo.state.markerStart, -1.0f);
    QVERIFY(layerEmpty(fo.Rajz->picture()));

    // A left click through the surface does place a marker, so the path above was live.
    QTest::mouseClick(fo.Rajz, Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(fo.state.markerStart, 100.0f);
}

QTEST_MAIN(TestMarkers)
#include "tst_markers.moc"
