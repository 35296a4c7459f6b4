// SPDX-License-Identifier: GPL-3.0-or-later
// Saving the scope picture and loading a picture as its background: the dialogs, the existence
// test, the boxes, which file is handed to the picture and how its answer is reported. Refused
// saves and the existence test on saving are shared with the setup file and tested there. The
// bitmap written, a failed write that must not cost the old file, and what a loaded picture does
// to the surface: tst_picturefilesview.

#include "core/FileHandling.h"
#include "core/scope/PictureFiles.h"
#include "support/CoreFixture.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kOffered = QStringLiteral("Rurodudod.bmp");
const QString kFileError = QStringLiteral("Eror in File funktions ! Error Code:");
const QString kNotExist = QStringLiteral(" not exist!\r\nPlease change file name!");
const QByteArray kOldContents = QByteArrayLiteral("the picture saved last week");
// What a file to be loaded holds does not matter to the core: the picture reads it.
const QByteArray kSomePicture = QByteArrayLiteral("BM a picture, as far as the core knows");

using TestFiles::entries;
using TestFiles::readAll;
using TestFiles::writeFile;

} // namespace

class PictureFilesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void savesWhatTheSurfaceShowsAsA24BitBitmap();
    void existingFileIsReplacedOnlyAfterOk_data();
    void existingFileIsReplacedOnlyAfterOk();
    void cancelledDialogIsSilent_data();
    void cancelledDialogIsSilent();
    void writeFailingPartWayKeepsOldFile();
    void anExistingFileIsHandedToThePicture();
    void nameThatDoesNotExistExactlyIsNotLoaded_data();
    void nameThatDoesNotExistExactlyIsNotLoaded();
    void aFileThatHoldsNoPictureIsReported();
    void everyClickOffersTheSameDialog_data();
    void everyClickOffersTheSameDialog();
    void runningScopeIsLeftAlone_data();
    void runningScopeIsLeftAlone();
};

void PictureFilesTest::savesWhatTheSurfaceShowsAsA24BitBitmap()
{
    QTemporaryDir dir;
    CoreFixture f;
    const QString path = dir.filePath(kOffered);
    f.dialogs.chosenFiles.enqueue(path);

    f.core.saveScopePicture();

    QVERIFY(f.dialogs.shown.isEmpty()); // a new name: no question, and no box after the save
    // The picture is written once, under the chosen name, by whoever holds it.
    QCOMPARE(f.images.saved, QStringList{path});
    QVERIFY(f.images.loaded.isEmpty());
}

void PictureFilesTest::existingFileIsReplacedOnlyAfterOk_data()
{
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("OK replaces the file") << MsgAnswer::Ok << true;
    QTest::newRow("Cancel leaves the file byte for byte") << MsgAnswer::Cancel << false;
}

void PictureFilesTest::existingFileIsReplacedOnlyAfterOk()
{
    QFETCH(MsgAnswer, answer);
    QFETCH(bool, replaced);
    QTemporaryDir dir;
    const QString path = dir.filePath(kOffered);
    QVERIFY(writeFile(path, kOldContents));
    CoreFixture f;
    f.dialogs.chosenFiles.enqueue(path);
    f.dialogs.answers.enqueue(answer);
    // The picture is taken only after the question: blocks that arrive meanwhile are in it.
    qsizetype savedWhileAsking = -1;
    f.dialogs.onMessage = [&](const ScriptedDialogs::Shown&) {
        savedWhileAsking = f.images.saved.size();
    };

    f.core.saveScopePicture();

    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(f.dialogs.shown[0].text, QStringLiteral("'Rurodudod.bmp' this exist!\r\nOver write?"));
    QCOMPARE(f.dialogs.shown[0].icon, MsgIcon::Question);
    QCOMPARE(f.dialogs.shown[0].buttons, MsgButtons::OkCancel);
    QCOMPARE(savedWhileAsking, 0);
    if (replaced) {
        QCOMPARE(f.images.saved, QStringList{path});
    } else {
        QVERIFY(f.images.saved.isEmpty());
        QCOMPARE(readAll(path), kOldContents);
    }
    QCOMPARE(entries(dir.path()), QStringList{kOffered});
}

void PictureFilesTest::cancelledDialogIsSilent_data()
{
    QTest::addColumn<bool>("saving");
    QTest::newRow("cancelling the save dialog") << true;
    QTest::newRow("cancelling the open dialog") << false;
}

void PictureFilesTest::cancelledDialogIsSilent()
{
    QFETCH(bool, saving);
    // A save that ignored the cancel would hand the picture the offered name, a relative one that
    // lands in the working folder; the core must not write anything there itself either.
    const TestFiles::WorkingFolder folder;
    QVERIFY(folder.entered());
    CoreFixture f;
    CoreInsides::setLampColour(f.core, static_cast<int>(kGreen));
    f.dialogs.chosenFiles.enqueue(std::nullopt);

    if (saving)
        f.core.saveScopePicture();
    else
        f.core.loadScopePicture();

    QCOMPARE(f.dialogs.fileDialogs.size(), 1);
    QVERIFY(f.dialogs.shown.isEmpty());
    QVERIFY(f.images.saved.isEmpty());
    // Nothing loaded: the background stays as it was.
    QVERIFY(f.images.loaded.isEmpty());
    QVERIFY(entries(folder.path()).isEmpty());
    QCOMPARE(f.core.lampColour(), 255);
}

void PictureFilesTest::writeFailingPartWayKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(kOffered);
    QVERIFY(writeFile(path, kOldContents));
    CoreFixture f;
    f.dialogs.chooseAndConfirm(path);
    // The picture's write fails part-way; keeping the old file is the picture's own part
    // (tst_picturefilesview). The core reports the number it answers with.
    f.images.saveResult = FileHandling::kDeviceIo;

    f.core.saveScopePicture();

    QCOMPARE(f.images.saved, QStringList{path});
    QCOMPARE(f.dialogs.shown.size(), 2); // the overwrite question, then the failure
    QCOMPARE(f.dialogs.shown[1].text, kFileError + " 57");
    QCOMPARE(f.dialogs.shown[1].icon, MsgIcon::None);
    QCOMPARE(f.dialogs.shown[1].buttons, MsgButtons::Ok);
    // The core itself never touches the file it hands on.
    QCOMPARE(readAll(path), kOldContents);
    QCOMPARE(entries(dir.path()), QStringList{kOffered});
}

// The formats themselves are the picture's to read (tst_picturefilesview): the core hands on an
// existing file by the name chosen, whatever its extension says.
void PictureFilesTest::anExistingFileIsHandedToThePicture()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scope.png"));
    QVERIFY(writeFile(path, kSomePicture));
    CoreFixture f;
    CoreInsides::setLampColour(f.core, static_cast<int>(kGreen));
    f.dialogs.chosenFiles.enqueue(path);

    f.core.loadScopePicture();

    QVERIFY(f.dialogs.shown.isEmpty());
    QCOMPARE(f.core.lampColour(), 255);
    QCOMPARE(f.images.loaded, QStringList{path});
    QVERIFY(f.images.saved.isEmpty());
}

void PictureFilesTest::nameThatDoesNotExistExactlyIsNotLoaded_data()
{
    // Each obstacle is there under a near name, so a lax existence test would load it.
    QTest::addColumn<QString>("present");
    QTest::addColumn<bool>("asFolder");
    QTest::addColumn<QString>("chosen");
    QTest::newRow("a name that is nowhere") << QString() << false << "Rurodudod.bmp";
    QTest::newRow("a hidden file does not count") << ".scope.bmp" << false << ".scope.bmp";
    QTest::newRow("a folder does not count") << "scope.bmp" << true << "scope.bmp";
    QTest::newRow("letter case counts") << "rurodudod.bmp" << false << "Rurodudod.bmp";
}

void PictureFilesTest::nameThatDoesNotExistExactlyIsNotLoaded()
{
    QFETCH(QString, present);
    QFETCH(bool, asFolder);
    QFETCH(QString, chosen);
    QTemporaryDir dir;
    if (asFolder)
        QVERIFY(QDir(dir.path()).mkdir(present));
    else if (!present.isEmpty())
        QVERIFY(writeFile(dir.filePath(present), kSomePicture));
    CoreFixture f;
    f.dialogs.chosenFiles.enqueue(dir.filePath(chosen));

    f.core.loadScopePicture();

    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(f.dialogs.shown[0].text, "'" + chosen + "'" + kNotExist);
    QCOMPARE(f.dialogs.shown[0].icon, MsgIcon::Critical);
    QCOMPARE(f.dialogs.shown[0].buttons, MsgButtons::Ok);
    // Nothing handed to the picture: the background stays as it was.
    QVERIFY(f.images.loaded.isEmpty());
}

void PictureFilesTest::aFileThatHoldsNoPictureIsReported()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(kOffered);
    QVERIFY(writeFile(path, QByteArrayLiteral("Rn = 0x12\r\n")));
    CoreFixture f;
    f.dialogs.chosenFiles.enqueue(path);
    // The picture finds none in the file and keeps its background (tst_picturefilesview); the
    // core reports the number it answers with.
    f.images.loadResult = FileHandling::kNotAPicture;

    f.core.loadScopePicture();

    QCOMPARE(f.images.loaded, QStringList{path});
    QCOMPARE(f.dialogs.texts(), QStringList{kFileError + " 481"});
    QCOMPARE(f.dialogs.shown[0].icon, MsgIcon::None);
}

void PictureFilesTest::everyClickOffersTheSameDialog_data()
{
    QTest::addColumn<bool>("saving");
    QTest::addColumn<QString>("filter");
    QTest::newRow("the save dialog spells Bitmap with a capital")
        << true << "Rurodudod Bitmap (*.bmp)|*.bmp|Minden File (*.*)|*.*";
    QTest::newRow("the open dialog spells bitmap in small letters")
        << false << "Rurodudod bitmap (*.bmp)|*.bmp|Minden File (*.*)|*.*";
}

void PictureFilesTest::everyClickOffersTheSameDialog()
{
    QFETCH(bool, saving);
    QFETCH(QString, filter);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("other.bmp"));
    QVERIFY(writeFile(path, kSomePicture));
    CoreFixture f;
    f.dialogs.chosenFiles.enqueue(path);
    f.dialogs.chosenFiles.enqueue(std::nullopt);

    for (int click = 0; click < 2; ++click) {
        if (saving)
            f.core.saveScopePicture();
        else
            f.core.loadScopePicture();
    }

    QCOMPARE(f.dialogs.fileDialogs.size(), 2);
    for (const ScriptedDialogs::FileDialog& shown : f.dialogs.fileDialogs) {
        QCOMPARE(shown.save, saving);
        QCOMPARE(shown.filter, filter);
        QCOMPARE(shown.offeredName, kOffered);
    }
}

void PictureFilesTest::runningScopeIsLeftAlone_data()
{
    QTest::addColumn<bool>("saving");
    QTest::newRow("saving while blocks arrive") << true;
    QTest::newRow("loading while blocks arrive") << false;
}

void PictureFilesTest::runningScopeIsLeftAlone()
{
    QFETCH(bool, saving);
    QTemporaryDir dir;
    const QString path = dir.filePath(kOffered);
    QVERIFY(writeFile(path, kSomePicture));
    CoreFixture f;
    f.comm.setPortOpen(true);
    setLineMode(f.core, Core::LineMode::Capture);
    placeMarkersAt(f.core, 120, 260);
    holdBlock(f.core, zigzagBlock());
    const QStringList portLog = f.comm.log;
    f.dialogs.chosenFiles.enqueue(path);

    if (saving)
        f.core.saveScopePicture();
    else
        f.core.loadScopePicture();

    // The click did its work...
    QCOMPARE(saving ? f.images.saved : f.images.loaded, QStringList{path});
    // ... and the scope runs on as it was.
    QVERIFY(f.comm.portOpen());
    QCOMPARE(f.comm.log, portLog);
    QCOMPARE(f.core.lineMode(), Core::LineMode::Capture);
    QCOMPARE(f.core.markerStart(), 120.0f);
    QCOMPARE(f.core.markerEnd(), 260.0f);
    QVERIFY(f.core.lastBlock().entry == zigzagBlock().entry);
    QVERIFY(f.shown.events.isEmpty());
    QCOMPARE(f.core.lampColour(), 255);
}

QTEST_GUILESS_MAIN(PictureFilesTest)
#include "tst_picturefiles.moc"
