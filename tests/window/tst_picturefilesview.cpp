// SPDX-License-Identifier: GPL-3.0-or-later
// Saving and loading the scope picture through the window: the bitmap written is what the
// surface shows, a replaced file survives a failed write, the error numbers the window's writer
// and reader answer with, and a loaded picture becomes the background under later traces. The
// dialogs, the questions and the boxes are the core's (tests/core/scope/tst_picturefiles.cpp).

#include "core/scope/PictureFiles.h"
#include "core/scope/ScopeControl.h"
#include "picture/ScopePicture.h"
#include "picture/TraceDrawing.h"
#include "support/FileSizeLimit.h"
#include "support/TestFiles.h"
#include "support/WindowFixture.h"
#include "window/Fo.h"
#include "window/ScopeSurface.h"
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {
const QString kOffered = QStringLiteral("Rurodudod.bmp");
const QString kFileError = QStringLiteral("Eror in File funktions ! Error Code:");
const QByteArray kOldContents = QByteArrayLiteral("the picture saved last week");
const QRgb kTrace = qRgb(255, 255, 0);

using TestFiles::entries;
using TestFiles::readAll;
using TestFiles::writeFile;

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

class TestPictureFilesView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void savesWhatTheSurfaceShowsAsA24BitBitmap();
    void okReplacesAnExistingFileWithTheBitmap();
    void writeFailingPartWayKeepsOldFile();
    void loadsCommonPictureFormats_data();
    void loadsCommonPictureFormats();
    void fileThatIsNoPictureLeavesBackground_data();
    void fileThatIsNoPictureLeavesBackground();
    void smallerPictureIsDrawnTopLeftAndOutlivesClear();
};

void TestPictureFilesView::savesWhatTheSurfaceShowsAsA24BitBitmap()
{
    QTemporaryDir dir;
    WindowFixture f;
    const SampleBlock block = zigzagBlock();
    drawTrace(f.fo.Rajz->picture(), block, kTrace);
    f.fo.Rajz->pictureChanged();
    const QImage shown = f.fo.Rajz->composite();
    const QString path = dir.filePath(kOffered);
    f.dialogs.chosenFiles.enqueue(path);

    f.fo.core().saveScopePicture();

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

void TestPictureFilesView::okReplacesAnExistingFileWithTheBitmap()
{
    // The old file gives way to the picture under its own name, and nothing else is left behind
    // in the folder. (Cancel never reaches the window's writer: tst_picturefiles.)
    QTemporaryDir dir;
    const QString path = dir.filePath(kOffered);
    QVERIFY(writeFile(path, kOldContents));
    WindowFixture f;
    f.dialogs.chooseAndConfirm(path);

    f.fo.core().saveScopePicture();

    QCOMPARE(QImage(path).size(), QSize(600, 512));
    QCOMPARE(entries(dir.path()), QStringList{kOffered});
}

void TestPictureFilesView::writeFailingPartWayKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(kOffered);
    QVERIFY(writeFile(path, kOldContents));
    WindowFixture f;
    f.dialogs.chooseAndConfirm(path);

    {
        // A bitmap is close to a megabyte; 4 KiB of it get written.
        const FileSizeLimit limit(4096);
        QVERIFY(limit.active());
        f.fo.core().saveScopePicture();
    }

    // The writer answers a write cut short as a device error, which the core puts in its box.
    QCOMPARE(f.dialogs.texts().value(1), kFileError + " 57");
    QCOMPARE(readAll(path), kOldContents);
    QCOMPARE(entries(dir.path()), QStringList{kOffered});
}

void TestPictureFilesView::loadsCommonPictureFormats_data()
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

void TestPictureFilesView::loadsCommonPictureFormats()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QFETCH(int, tolerance);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QVERIFY2(twoHalves().save(path, format.constData()), "no writer for this format here");
    WindowFixture f;
    f.dialogs.chosenFiles.enqueue(path);

    f.fo.core().loadScopePicture();

    const QImage background = f.fo.Rajz->picture().background();
    QCOMPARE(background.size(), QSize(600, 512));
    QVERIFY(near(background.pixel(100, 100), qRgb(0, 0, 255), tolerance));
    QVERIFY(near(background.pixel(500, 400), qRgb(0, 255, 0), tolerance));
}

void TestPictureFilesView::fileThatIsNoPictureLeavesBackground_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("a text file") << QByteArray("Rn = 0x12\r\nKp = 0x34\r\n");
    QTest::newRow("an empty file") << QByteArray();
    QTest::newRow("a bitmap header with nothing after it") << QByteArray("BM\x36\x10\x0e\0", 6);
}

void TestPictureFilesView::fileThatIsNoPictureLeavesBackground()
{
    QFETCH(QByteArray, contents);
    QTemporaryDir dir;
    const QString path = dir.filePath(kOffered);
    QVERIFY(writeFile(path, contents));
    WindowFixture f;
    const QImage background = f.fo.Rajz->picture().background();
    f.dialogs.chosenFiles.enqueue(path);

    f.fo.core().loadScopePicture();

    // The reader finds no picture in the file, which the core reports as such.
    QCOMPARE(f.dialogs.texts(), QStringList{kFileError + " 481"});
    QCOMPARE(f.fo.Rajz->picture().background(), background);
}

void TestPictureFilesView::smallerPictureIsDrawnTopLeftAndOutlivesClear()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("small.png"));
    QImage small(100, 50, QImage::Format_RGB32);
    small.fill(qRgb(200, 30, 40));
    QVERIFY(small.save(path, "PNG"));
    WindowFixture f;
    f.dialogs.chosenFiles.enqueue(path);

    f.fo.core().loadScopePicture();
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

QTEST_MAIN(TestPictureFilesView)
#include "tst_picturefilesview.moc"
