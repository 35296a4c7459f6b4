// SPDX-License-Identifier: GPL-3.0-or-later
// The scope picture's one-pixel drawing: trace points lit exactly where the scope frame puts
// them, lines joined without gaps, nothing drawn outside, clear keeping the background.

#include "picture/ScopePicture.h"
#include "picture/TraceDrawing.h"

#include <QTest>

namespace {
const QRgb kTrace = qRgb(255, 255, 0);

bool lit(const ScopePicture& picture, int x, int y)
{
    return picture.drawingLayer().pixel(x, y) == (kTrace | 0xFF000000u);
}

SampleBlock blockOf(const QList<int>& values)
{
    SampleBlock block;
    for (int i = 0; i < values.size(); ++i) {
        if (values[i] >= 0)
            block.entry[i + 1] = static_cast<quint8>(values[i]);
    }
    return block;
}
} // namespace

class ScopePictureTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everySamplePointIsLit_data();
    void everySamplePointIsLit();
    void segmentsLeaveNoGapInAnyColumn();
    void pointsOutsideTheSurfaceAreSkipped();
    void clearKeepsTheBackground();
    void clearLeavesNothingOfAnyDrawing_data();
    void clearLeavesNothingOfAnyDrawing();
    void changedAreaHoldsEveryChangeButFollowsTheTrace();
};

void ScopePictureTest::everySamplePointIsLit_data()
{
    QTest::addColumn<QList<int>>("values");
    QTest::newRow("a flat stretch meeting a steep rise") << QList<int>{100, 104, 104, 106};
    QTest::newRow("the extremes of the byte") << QList<int>{0, 255, 0, 128, 255};
    QTest::newRow("a slow ramp") << QList<int>{10, 11, 12, 13, 14, 15};
    QTest::newRow("a gap joins the samples around it") << QList<int>{50, -1, -1, 200, 60};
}

void ScopePictureTest::everySamplePointIsLit()
{
    QFETCH(QList<int>, values);
    ScopePicture picture;
    drawTrace(picture, blockOf(values), kTrace);
    for (int i = 0; i < values.size(); ++i) {
        if (values[i] < 0)
            continue;
        const QPoint at = ScopeFrame::samplePoint(i + 1, values[i]).toPoint();
        QVERIFY2(
            lit(picture, at.x(), at.y()),
            qPrintable(QStringLiteral("sample %1 at %2,%3").arg(i + 1).arg(at.x()).arg(at.y())));
    }
    // The line starts at the left edge on the first sample's level.
    QVERIFY(lit(picture, 0, 511 - 2 * values.first()));
}

void ScopePictureTest::segmentsLeaveNoGapInAnyColumn()
{
    ScopePicture picture;
    drawTrace(picture, blockOf({0, 255, 3, 250}), kTrace);
    // Every column the trace crosses has a lit pixel, and a steep segment lights a whole run.
    for (int x = 0; x <= 8; ++x) {
        bool any = false;
        for (int y = 0; y < ScopePicture::kHeight && !any; ++y)
            any = lit(picture, x, y);
        QVERIFY2(any, qPrintable(QString::number(x)));
    }
    for (int y = 1; y <= 511; ++y) {
        bool rowHit = false;
        for (int x = 2; x <= 4 && !rowHit; ++x)
            rowHit = lit(picture, x, y);
        QVERIFY2(rowHit, qPrintable(QString::number(y)));
    }
}

void ScopePictureTest::pointsOutsideTheSurfaceAreSkipped()
{
    ScopePicture picture;
    picture.line(QPointF(599, 0), QPointF(599, 512), kTrace); // a marker line to y 512
    picture.line(QPointF(-50, -50), QPointF(700, 700), kTrace);
    QVERIFY(lit(picture, 599, 511));
    QVERIFY(lit(picture, 300, 300));
    QCOMPARE(picture.currentPosition(), QPointF(700, 700));
}

void ScopePictureTest::clearKeepsTheBackground()
{
    ScopePicture picture;
    const QImage background = picture.background();
    picture.line(QPointF(0, 0), QPointF(599, 511), kTrace);
    QVERIFY(picture.composite() != background.convertToFormat(QImage::Format_RGB32));
    picture.clear();
    QCOMPARE(picture.composite(), background.convertToFormat(QImage::Format_RGB32));
    QCOMPARE(picture.currentPosition(), QPointF(0, 0));
}

void ScopePictureTest::clearLeavesNothingOfAnyDrawing_data()
{
    QTest::addColumn<QString>("drawing");
    QTest::addColumn<bool>("loadedBackground");
    for (const bool loaded : {false, true}) {
        const QString on = loaded ? QStringLiteral(" on a loaded picture") : QString();
        QTest::newRow(qPrintable("a trace" + on)) << QStringLiteral("trace") << loaded;
        QTest::newRow(qPrintable("a wide line" + on)) << QStringLiteral("wide") << loaded;
        QTest::newRow(qPrintable("a marker label" + on)) << QStringLiteral("label") << loaded;
        QTest::newRow(qPrintable("lines running off the picture" + on))
            << QStringLiteral("off") << loaded;
        // More one-pixel lines than are remembered pixel by pixel.
        QTest::newRow(qPrintable("a hundred steep traces without a clear" + on))
            << QStringLiteral("many") << loaded;
    }
}

// Whatever was drawn, a clear gives back exactly the background and an empty drawing layer.
void ScopePictureTest::clearLeavesNothingOfAnyDrawing()
{
    QFETCH(QString, drawing);
    QFETCH(bool, loadedBackground);
    ScopePicture picture;
    if (loadedBackground) {
        QImage loaded(640, 480, QImage::Format_RGB32);
        for (int y = 0; y < loaded.height(); ++y)
            for (int x = 0; x < loaded.width(); ++x)
                loaded.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
        picture.setBackground(loaded);
    }
    const QImage background = picture.background().convertToFormat(QImage::Format_RGB32);
    QList<int> steep;
    for (int i = 0; i < 300; ++i)
        steep.append(i % 2 == 0 ? 0 : 255);
    if (drawing == QLatin1String("trace")) {
        drawTrace(picture, blockOf({10, 200, 30, -1, 128, 255, 0}), kTrace);
    } else if (drawing == QLatin1String("wide")) {
        picture.setPenWidth(3);
        picture.line(QPointF(10, 20), QPointF(590, 500), kTrace);
    } else if (drawing == QLatin1String("label")) {
        picture.moveTo(QPointF(300, 250));
        picture.print(QStringLiteral("Start 234.81 ms"), kTrace);
    } else if (drawing == QLatin1String("off")) {
        picture.line(QPointF(-50, -40), QPointF(700, 600), kTrace);
        picture.line(QPointF(599, -10), QPointF(-20, 530), kTrace);
    } else {
        for (int n = 0; n < 100; ++n)
            drawTrace(picture, blockOf(steep), qRgb(n, 255 - n, 128));
    }
    QVERIFY(picture.composite() != background);
    picture.clear();
    QCOMPARE(picture.composite(), background);
    QImage transparent(ScopePicture::kWidth, ScopePicture::kHeight,
                       QImage::Format_ARGB32_Premultiplied);
    transparent.fill(Qt::transparent);
    QCOMPARE(picture.drawingLayer(), transparent);
}

// The area a view must repaint after a clear and a new trace holds every pixel that changed,
// and for a trace that keeps to two levels it is far smaller than the rectangle around it.
void ScopePictureTest::changedAreaHoldsEveryChangeButFollowsTheTrace()
{
    ScopePicture picture;
    QList<int> levels;
    for (int i = 0; i < 300; ++i)
        levels.append((i / 50) % 2 == 0 ? 20 : 230);
    drawTrace(picture, blockOf(levels), kTrace);
    picture.takeChangedArea();
    const QImage before = picture.composite();
    picture.clear();
    QList<int> shifted;
    for (int i = 0; i < 300; ++i)
        shifted.append(((i + 2) / 50) % 2 == 0 ? 25 : 225);
    drawTrace(picture, blockOf(shifted), kTrace);
    const QRegion changed = picture.takeChangedArea();
    const QImage after = picture.composite();
    QRect around;
    for (int y = 0; y < ScopePicture::kHeight; ++y) {
        for (int x = 0; x < ScopePicture::kWidth; ++x) {
            if (before.pixel(x, y) == after.pixel(x, y))
                continue;
            around |= QRect(x, y, 1, 1);
            QVERIFY2(changed.contains(QPoint(x, y)), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
        }
    }
    qint64 area = 0;
    for (const QRect& rect : changed)
        area += qint64(rect.width()) * rect.height();
    QVERIFY(around.height() > 400); // the levels are far apart
    QVERIFY2(area * 3 < qint64(around.width()) * around.height(), qPrintable(QString::number(area)));
    QVERIFY(picture.takeChangedArea().isEmpty());
}

QTEST_MAIN(ScopePictureTest)
#include "tst_scopepicture.moc"
