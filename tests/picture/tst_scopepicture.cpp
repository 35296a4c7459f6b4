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

QTEST_MAIN(ScopePictureTest)
#include "tst_scopepicture.moc"
