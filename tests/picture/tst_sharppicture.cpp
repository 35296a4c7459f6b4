// SPDX-License-Identifier: GPL-3.0-or-later
// The scope picture at a screen's device pixel ratio: the same logical geometry at the device's
// pixels, lines thin, nothing left behind by a clear, and the picture that is saved unchanged.

#include "picture/Graticule.h"
#include "picture/ScopePicture.h"
#include "picture/TraceDrawing.h"

#include <QTest>

#include <cmath>

namespace {
const QRgb kTrace = qRgb(255, 255, 0);
constexpr int kLevel = 100; // logical row 511 - 200 = 311
constexpr int kColumnSample = 150;

void drawScene(ScopePicture& picture)
{
    SampleBlock flat;
    for (int i = 1; i <= kBlockSize; ++i)
        flat.entry[i] = static_cast<quint8>(kLevel);
    drawTrace(picture, flat, kTrace);
    picture.line(QPointF(420, 0), QPointF(420, ScopePicture::kHeight), picture.foreColour());
    picture.moveTo(QPointF(424, 4));
    picture.print(QStringLiteral("234.81 ms"), picture.foreColour());
}
} // namespace

class SharpPictureTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void drawnAtTheDevicePixelsInTheSameGeometry_data();
    void drawnAtTheDevicePixelsInTheSameGeometry();
};

void SharpPictureTest::drawnAtTheDevicePixelsInTheSameGeometry_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("a screen at 1.25") << 1.25;
    QTest::newRow("a screen at 1.5") << 1.5;
    QTest::newRow("a screen at 2") << 2.0;
}

void SharpPictureTest::drawnAtTheDevicePixelsInTheSameGeometry()
{
    QFETCH(qreal, ratio);
    ScopePicture plain;
    ScopePicture sharp;
    QVERIFY(sharp.setDisplayRatio(ratio));
    drawScene(plain);
    drawScene(sharp);
    // What is saved is the 600 x 512 picture, whatever the screen.
    QCOMPARE(sharp.composite(), plain.composite());

    const QImage shown = sharp.shown();
    QCOMPARE(shown.devicePixelRatio(), ratio);
    QCOMPARE(shown.size(),
             QSize(qRound(ScopePicture::kWidth * ratio), qRound(ScopePicture::kHeight * ratio)));
    // The flat trace lies inside its logical row, as thin as a whole device pixel can be.
    const int x = static_cast<int>((ScopeGeometry::xOfSample(kColumnSample) + 0.5) * ratio);
    const double y = ScopeGeometry::yOfValue(kLevel);
    QList<int> litRows;
    for (int row = 0; row < shown.height(); ++row) {
        if (shown.pixel(x, row) == (kTrace | 0xFF000000u))
            litRows << row;
    }
    QCOMPARE(litRows.size(), std::max(1, static_cast<int>(ratio)));
    QVERIFY(litRows.first() >= std::floor(y * ratio) - 1);
    QVERIFY(litRows.last() <= std::ceil((y + 1) * ratio));

    // A clear leaves the graticule at the device's pixels, nothing of the drawing.
    sharp.clear();
    const QImage graticule = Graticule::render(ratio);
    QCOMPARE(sharp.shown(), graticule);
}

QTEST_MAIN(SharpPictureTest)
#include "tst_sharppicture.moc"
