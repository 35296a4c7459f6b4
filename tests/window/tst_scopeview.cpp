// The scope as the window shows it: the markers and traces the core tells drawn on the surface,
// the surface's own mouse events, the colour swatches under a real mouse, and the picture files
// the window writes and reads for the core. What the core tells, and when: tst_markers,
// tst_tracecolour, tst_picturefiles.

#include "core/scope/Markers.h"
#include "core/scope/PictureFiles.h"
#include "core/scope/ScopeControl.h"
#include "core/scope/TraceColour.h"
#include "picture/ScopePicture.h"
#include "picture/TraceDrawing.h"
#include "support/FileSizeLimit.h"
#include "support/TestFiles.h"
#include "support/WindowFixture.h"
#include "window/Fo.h"
#include "window/ScopeSurface.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {
constexpr int kLeft = ScopeSurface::kLeftButton;
constexpr int kRight = ScopeSurface::kRightButton;
constexpr int kMiddle = ScopeSurface::kMiddleButton;

const QString kOffered = QStringLiteral("Rurodudod.bmp");
const QString kFileError = QStringLiteral("Eror in File funktions ! Error Code:");
const QByteArray kOldContents = QByteArrayLiteral("the picture saved last week");
const QRgb kTrace = qRgb(255, 255, 0);

using TestFiles::entries;
using TestFiles::readAll;
using TestFiles::writeFile;

void click(Fo& fo, int button, float x, float y = 100)
{
    fo.markers().Rajz_MouseDown(button, 0, x, y);
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

// A block whose samples climb and fall, so every sample sits at a different place.
SampleBlock zigzagBlock()
{
    SampleBlock block;
    for (int i = 1; i <= kBlockSize; ++i)
        block.entry[i] = static_cast<quint8>(20 + (i * 7) % 200);
    return block;
}

// A 600 x 512 picture: blue on the left, green on the right.
QImage twoHalves()
{
    QImage picture(ScopePicture::kWidth, ScopePicture::kHeight, QImage::Format_RGB32);
    picture.fill(qRgb(0, 0, 255));
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = picture.width() / 2; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(0, 255, 0));
    }
    return picture;
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance &&
           qAbs(qBlue(a) - qBlue(b)) <= tolerance;
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

    // The picture's files.
    void savesWhatTheSurfaceShowsAsA24BitBitmap();
    void existingFileIsReplacedOnlyAfterOk_data();
    void existingFileIsReplacedOnlyAfterOk();
    void writeFailingPartWayKeepsOldFile();
    void loadsCommonPictureFormats_data();
    void loadsCommonPictureFormats();
    void fileThatIsNoPictureLeavesBackground_data();
    void fileThatIsNoPictureLeavesBackground();
    void smallerPictureIsDrawnTopLeftAndOutlivesClear();
};

void TestScopeView::labelsMoveInNearTheRightEdge_data()
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
    QCOMPARE(picture.drawingLayer().pixel(labelX, int(Markers::kLabelTop)), fore);
    QVERIFY2(labelPixels(picture, kLookFrom, int(x)) > 10, "the label was not written");
}

void TestScopeView::rightClickRedrawsTheStoredBlockInTheChosenColour()
{
    WindowFixture f;
    Fo& fo = f.fo;
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
    f.comm.log.clear();

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
    QVERIFY(f.comm.log.isEmpty());
    QCOMPARE(fo.lampColour(), int(kGreen));
    QCOMPARE(fo.state.receiveMode, quint8(ModeTiming));
}

void TestScopeView::rightClickBeforeAnyBlockDrawsNothingVisible()
{
    WindowFixture f;
    Fo& fo = f.fo;
    click(fo, kLeft, 100);
    QVERIFY(!layerEmpty(fo.Rajz->picture()));

    click(fo, kRight, 100);

    QVERIFY(layerEmpty(fo.Rajz->picture()));
    QCOMPARE(fo.state.markerStart, -1.0f);
    QVERIFY(fo.MX(2)->text().isEmpty());
}

void TestScopeView::middleButtonDoesNothing()
{
    WindowFixture f;
    Fo& fo = f.fo;
    fo.scope().Be_Click();
    f.comm.log.clear();

    click(fo, kMiddle, 100);
    // The same through the surface's own mouse event.
    QTest::mouseClick(fo.Rajz, Qt::MiddleButton, {}, QPoint(100, 100));

    QVERIFY(f.comm.log.isEmpty());
    QVERIFY(f.comm.portOpen());
    QCOMPARE(fo.lampColour(), int(kGreen));
    QCOMPARE(fo.state.markerStart, -1.0f);
    QVERIFY(layerEmpty(fo.Rajz->picture()));

    // A left click through the surface does place a marker, so the path above was live.
    QTest::mouseClick(fo.Rajz, Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(fo.state.markerStart, 100.0f);
}

void TestScopeView::theButtonsOnTheWindowChooseTheirColours()
{
    WindowFixture f;
    // Right to left, so every click changes the colour.
    const QList<double> colours{65535, 255, 0, 16711935};
    for (int i = int(colours.size()) - 1; i >= 0; --i) {
        f.fo.Szin(i)->click();
        QCOMPARE(f.fo.state.traceColour, colours[i]);
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
    QCOMPARE(f.fo.state.traceColour, colour);
}

void TestScopeView::aColourChosenWhileRunningDrawsTheNextBlock()
{
    WindowFixture f;
    Fo& fo = f.fo;
    fo.scope().Be_Click();
    fo.traceColour().Szin_Click(1);

    constexpr quint8 kLevel = 128; // on the zero line, y 255
    QVERIFY(f.comm.portOpen());
    f.comm.receive(QByteArray(kBlockSize, char(kLevel)));
    WindowFixture::settle();

    QCOMPARE(fo.state.sampleBlock.entry[1].value_or(0), kLevel);
    QCOMPARE(fo.Rajz->picture().drawingLayer().pixel(300, 255), qRgb(255, 0, 0));
}

void TestScopeView::savesWhatTheSurfaceShowsAsA24BitBitmap()
{
    QTemporaryDir dir;
    WindowFixture f;
    const SampleBlock block = zigzagBlock();
    drawTrace(f.fo.Rajz->picture(), block, kTrace);
    f.fo.Rajz->pictureChanged();
    const QImage shown = f.fo.Rajz->composite();
    const QString path = dir.filePath(kOffered);
    f.dialogs.chosenFiles.enqueue(path);

    f.fo.pictureFiles().Mentes_Click();

    QVERIFY(f.dialogs.shown.isEmpty()); // a new name: no question
    const QByteArray bytes = readAll(path);
    QVERIFY(bytes.size() > 54);
    QCOMPARE(bytes.left(2), QByteArray("BM"));
    QCOMPARE(qFromLittleEndian<qint32>(bytes.constData() + 18), 600);
    QCOMPARE(qAbs(qFromLittleEndian<qint32>(bytes.constData() + 22)), 512);
    QCOMPARE(qFromLittleEndian<quint16>(bytes.constData() + 28), quint16(24));

    const QImage saved(path);
    QCOMPARE(saved.size(), QSize(600, 512));
    for (int i : {1, 2, 57, 150, 299}) {
        const QPoint at = ScopeFrame::samplePoint(i, *block.entry[i]).toPoint();
        QCOMPARE(saved.pixel(at), kTrace);
    }
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), shown);
}

void TestScopeView::existingFileIsReplacedOnlyAfterOk_data()
{
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("OK replaces the file") << MsgAnswer::Ok << true;
    QTest::newRow("Cancel leaves the file byte for byte") << MsgAnswer::Cancel << false;
}

void TestScopeView::existingFileIsReplacedOnlyAfterOk()
{
    QFETCH(MsgAnswer, answer);
    QFETCH(bool, replaced);
    QTemporaryDir dir;
    const QString path = dir.filePath(kOffered);
    QVERIFY(writeFile(path, kOldContents));
    WindowFixture f;
    f.dialogs.chosenFiles.enqueue(path);
    f.dialogs.answers.enqueue(answer);

    f.fo.pictureFiles().Mentes_Click();

    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(f.dialogs.shown[0].text, QStringLiteral("'Rurodudod.bmp' this exist!\r\nOver write?"));
    QCOMPARE(f.dialogs.shown[0].icon, MsgIcon::Question);
    QCOMPARE(f.dialogs.shown[0].buttons, MsgButtons::OkCancel);
    if (replaced)
        QCOMPARE(QImage(path).size(), QSize(600, 512));
    else
        QCOMPARE(readAll(path), kOldContents);
    QCOMPARE(entries(dir.path()), QStringList{kOffered});
}

void TestScopeView::writeFailingPartWayKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(kOffered);
    QVERIFY(writeFile(path, kOldContents));
    WindowFixture f;
    f.dialogs.chosenFiles.enqueue(path);
    f.dialogs.answers.enqueue(MsgAnswer::Ok);

    {
        // A bitmap is close to a megabyte; 4 KiB of it get written.
        const FileSizeLimit limit(4096);
        QVERIFY(limit.active());
        f.fo.pictureFiles().Mentes_Click();
    }

    QCOMPARE(f.dialogs.shown.size(), 2); // the overwrite question, then the failure
    QCOMPARE(f.dialogs.shown[1].text, kFileError + " 57");
    QCOMPARE(readAll(path), kOldContents);
    QCOMPARE(entries(dir.path()), QStringList{kOffered});
}

void TestScopeView::loadsCommonPictureFormats_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<int>("tolerance");
    QTest::newRow("a bitmap") << "scope.bmp" << QByteArray("BMP") << 0;
    QTest::newRow("a PNG") << "scope.png" << QByteArray("PNG") << 0;
    QTest::newRow("a JPEG, within its loss") << "scope.jpg" << QByteArray("JPEG") << 24;
    QTest::newRow("a PNG named .bmp is read by its contents")
        << "Rurodudod.bmp" << QByteArray("PNG") << 0;
}

void TestScopeView::loadsCommonPictureFormats()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(int, tolerance);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QVERIFY2(twoHalves().save(path, format.constData()), "no writer for this format here");
    WindowFixture f;
    f.fo.setLampColour(static_cast<int>(kGreen));
    f.dialogs.chosenFiles.enqueue(path);

    f.fo.pictureFiles().Betolt_Click();

    QVERIFY(f.dialogs.shown.isEmpty());
    QCOMPARE(f.fo.lampColour(), 255);
    const QImage background = f.fo.Rajz->picture().background();
    QCOMPARE(background.size(), QSize(600, 512));
    QVERIFY(near(background.pixel(100, 100), qRgb(0, 0, 255), tolerance));
    QVERIFY(near(background.pixel(500, 400), qRgb(0, 255, 0), tolerance));
}

void TestScopeView::fileThatIsNoPictureLeavesBackground_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("a text file") << QByteArray("Rn = 0x12\r\nKp = 0x34\r\n");
    QTest::newRow("an empty file") << QByteArray();
    QTest::newRow("a bitmap header with nothing after it") << QByteArray("BM\x36\x10\x0e\0", 6);
}

void TestScopeView::fileThatIsNoPictureLeavesBackground()
{
    QFETCH(QByteArray, contents);
    QTemporaryDir dir;
    const QString path = dir.filePath(kOffered);
    QVERIFY(writeFile(path, contents));
    WindowFixture f;
    const QImage background = f.fo.Rajz->picture().background();
    f.dialogs.chosenFiles.enqueue(path);

    f.fo.pictureFiles().Betolt_Click();

    QCOMPARE(f.dialogs.texts(), QStringList{kFileError + " 481"});
    QCOMPARE(f.dialogs.shown[0].icon, MsgIcon::None);
    QCOMPARE(f.fo.Rajz->picture().background(), background);
}

void TestScopeView::smallerPictureIsDrawnTopLeftAndOutlivesClear()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("small.png"));
    QImage small(100, 50, QImage::Format_RGB32);
    small.fill(qRgb(200, 30, 40));
    QVERIFY(small.save(path, "PNG"));
    WindowFixture f;
    f.dialogs.chosenFiles.enqueue(path);

    f.fo.pictureFiles().Betolt_Click();
    f.fo.Rajz->line(QPointF(0, 300), QPointF(599, 300), kTrace);
    f.fo.Rajz->cls();

    QCOMPARE(f.fo.Rajz->size(), QSize(600, 512));
    const QImage shown = f.fo.Rajz->composite();
    QCOMPARE(shown.size(), QSize(600, 512));
    QCOMPARE(shown.pixel(0, 0), qRgb(200, 30, 40));
    QCOMPARE(shown.pixel(99, 49), qRgb(200, 30, 40));
    QCOMPARE(shown.pixel(100, 0), qRgb(0, 0, 0));
    QCOMPARE(shown.pixel(0, 50), qRgb(0, 0, 0));
    QCOMPARE(shown.pixel(300, 300), qRgb(0, 0, 0)); // the cleared line is gone
}

QTEST_MAIN(TestScopeView)
#include "tst_scopeview.moc"
