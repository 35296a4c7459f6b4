// SPDX-License-Identifier: GPL-3.0-or-later
// Saving the console to a register setup file: the bytes written, the overwrite question for any
// file of the chosen name, refused and failed saves that must keep the old file, and a
// handler that leaves the port alone.

#include "core/console/SetupFile.h"
#include "support/FileSizeLimit.h"
#include "support/TestFiles.h"
#include "support/CoreFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kOffered = QStringLiteral("Setup.txt");
const QString kDriveProblem = QStringLiteral("Drive Problem ! No Write in Drive.");
const QString kFileError = QStringLiteral("Eror in File funktions ! Error Code:");
// Longer than anything a test writes, so a save that did not empty the file would show.
const QByteArray kOldContents = QByteArrayLiteral("Kp = 0x0040\r\nKi = 0x0002\r\nKd = 0x0100\r\n"
                                                  "a register listing kept from last week\r\n");

using TestFiles::entries;
using TestFiles::readAll;
using TestFiles::writeFile;

enum class Obstacle { ReadOnlyFile, MissingFolder, FolderOfThatName };
} // namespace

Q_DECLARE_METATYPE(Obstacle)

class SetupFileTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesConsoleAsLatin1ThenCrLf_data();
    void writesConsoleAsLatin1ThenCrLf();
    void existingFileIsReplacedOnlyAfterOk_data();
    void existingFileIsReplacedOnlyAfterOk();
    void aNameInAnotherLetterCaseIsANewFile_data();
    void aNameInAnotherLetterCaseIsANewFile();
    void refusedSaveKeepsOldFile_data();
    void refusedSaveKeepsOldFile();
    void writeFailingPartWayKeepsOldFile();
    void cancelledDialogIsSilent();
    void everyClickOffersSetupTxt();
    void portAndPortChoiceAreLeftAlone();
};

void SetupFileTest::writesConsoleAsLatin1ThenCrLf_data()
{
    QTest::addColumn<QString>("console");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("an empty console gives CR LF alone") << QString() << QByteArray("\r\n");
    QTest::newRow("listing lines keep their CR LF")
        << "R00 = 12\r\nR01 = 34" << QByteArray("R00 = 12\r\nR01 = 34\r\n");
    QTest::newRow("bytes from the chip go out byte for byte")
        << QString::fromLatin1("T=25\xb0"
                               "C \xe9\x80\xff")
        << QByteArray("T=25\xb0"
                      "C \xe9\x80\xff\r\n");
    QTest::newRow("a character outside Latin-1 becomes a question mark")
        << QStringLiteral("\u03a9 = 5") << QByteArray("? = 5\r\n");
}

void SetupFileTest::writesConsoleAsLatin1ThenCrLf()
{
    QFETCH(QString, console);
    QFETCH(QByteArray, file);
    QTemporaryDir dir;
    const QString path = dir.filePath(kOffered);
    CoreFixture f;
    setConsoleText(f.core, console);
    f.dialogs.chosenFiles.enqueue(path);

    f.core.saveSetupFile();

    QVERIFY(f.dialogs.shown.isEmpty()); // a new name: no question
    QCOMPARE(readAll(path), file);
}

void SetupFileTest::existingFileIsReplacedOnlyAfterOk_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<QByteArray>("file");
    const QByteArray replaced("Kp = 0x0041\r\n");
    QTest::newRow("OK replaces the whole file") << kOffered << MsgAnswer::Ok << replaced;
    QTest::newRow("Cancel leaves it byte for byte") << kOffered << MsgAnswer::Cancel << kOldContents;
    QTest::newRow("a hidden file is asked about too") << ".Setup.txt" << MsgAnswer::Ok << replaced;
    QTest::newRow("Cancel leaves a hidden file byte for byte")
        << ".Setup.txt" << MsgAnswer::Cancel << kOldContents;
}

void SetupFileTest::existingFileIsReplacedOnlyAfterOk()
{
    QFETCH(QString, name);
    QFETCH(MsgAnswer, answer);
    QFETCH(QByteArray, file);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QVERIFY(writeFile(path, kOldContents));
    CoreFixture f;
    setConsoleText(f.core, QStringLiteral("Kp = 0x0041"));
    f.dialogs.chosenFiles.enqueue(path);
    f.dialogs.answers.enqueue(answer);

    f.core.saveSetupFile();

    QCOMPARE(f.dialogs.shown.size(), 1);
    QCOMPARE(f.dialogs.shown[0].text, "'" + name + "' this exist!\r\nOver write?");
    QCOMPARE(f.dialogs.shown[0].icon, MsgIcon::Question);
    QCOMPARE(f.dialogs.shown[0].buttons, MsgButtons::OkCancel);
    QCOMPARE(readAll(path), file);
    QCOMPARE(entries(dir.path()), QStringList{name});
}

void SetupFileTest::aNameInAnotherLetterCaseIsANewFile_data()
{
    QTest::addColumn<QString>("present");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("asked");
    QTest::newRow("the same name asks") << "Setup.txt"
                                        << "Setup.txt" << true;
    QTest::newRow("a name in another letter case is a new file") << "setup.txt"
                                                                 << "Setup.txt" << false;
}

void SetupFileTest::aNameInAnotherLetterCaseIsANewFile()
{
    QFETCH(QString, present);
    QFETCH(QString, chosen);
    QFETCH(bool, asked);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(present), kOldContents));
    CoreFixture f;
    setConsoleText(f.core, QStringLiteral("new"));
    f.dialogs.chosenFiles.enqueue(dir.filePath(chosen));
    // Cancel on a question that should not come would show as a file not written.
    f.dialogs.answers.enqueue(asked ? MsgAnswer::Ok : MsgAnswer::Cancel);

    f.core.saveSetupFile();

    QCOMPARE(f.dialogs.shown.size(), asked ? 1 : 0);
    QCOMPARE(readAll(dir.filePath(chosen)), QByteArray("new\r\n"));
    if (present != chosen)
        QCOMPARE(readAll(dir.filePath(present)), kOldContents);
}

void SetupFileTest::refusedSaveKeepsOldFile_data()
{
    QTest::addColumn<Obstacle>("obstacle");
    QTest::addColumn<QString>("message");
    QTest::newRow("a read-only file is a drive problem") << Obstacle::ReadOnlyFile << kDriveProblem;
    QTest::newRow("a folder that does not exist is error 76")
        << Obstacle::MissingFolder << kFileError + " 76";
    QTest::newRow("a folder of the chosen name is asked nothing and cannot be written")
        << Obstacle::FolderOfThatName << kDriveProblem;
}

void SetupFileTest::refusedSaveKeepsOldFile()
{
    QFETCH(Obstacle, obstacle);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QString path = dir.filePath(kOffered);
    switch (obstacle) {
    case Obstacle::ReadOnlyFile:
        QVERIFY(writeFile(path, kOldContents));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
        break;
    case Obstacle::MissingFolder:
        path = dir.filePath(QStringLiteral("gone/") + kOffered);
        break;
    case Obstacle::FolderOfThatName:
        QVERIFY(QDir(dir.path()).mkdir(kOffered));
        break;
    }
    CoreFixture f;
    setConsoleText(f.core, QStringLiteral("Kp = 0x0041"));
    f.dialogs.chooseAndConfirm(path);

    f.core.saveSetupFile();

    const bool asked = obstacle == Obstacle::ReadOnlyFile;
    QCOMPARE(f.dialogs.shown.size(), asked ? 2 : 1);
    QCOMPARE(f.dialogs.shown.constLast().text, message);
    QCOMPARE(f.dialogs.shown.constLast().icon, MsgIcon::None);
    QCOMPARE(f.dialogs.shown.constLast().buttons, MsgButtons::Ok);
    if (obstacle == Obstacle::ReadOnlyFile)
        QCOMPARE(readAll(path), kOldContents);
    if (obstacle == Obstacle::FolderOfThatName)
        QVERIFY(QFileInfo(path).isDir());
    QCOMPARE(entries(dir.path()).size(), obstacle == Obstacle::MissingFolder ? 0 : 1);
}

void SetupFileTest::writeFailingPartWayKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(kOffered);
    QVERIFY(writeFile(path, kOldContents));
    CoreFixture f;
    setConsoleText(f.core, QString(64 * 1024, QLatin1Char('R')));
    f.dialogs.chooseAndConfirm(path);

    {
        const FileSizeLimit limit(4096);
        QVERIFY(limit.active());
        f.core.saveSetupFile();
    }

    QCOMPARE(f.dialogs.shown.size(), 2); // the overwrite question, then the failure
    QCOMPARE(f.dialogs.shown[1].text, kFileError + " 57");
    QCOMPARE(readAll(path), kOldContents);
    QCOMPARE(entries(dir.path()), QStringList{kOffered});
}

void SetupFileTest::cancelledDialogIsSilent()
{
    // A save that ignored the cancel would land in the working folder under the offered name.
    const TestFiles::WorkingFolder folder;
    QVERIFY(folder.entered());
    CoreFixture f;
    CoreInsides::setLampColour(f.core, static_cast<int>(kGreen));
    f.dialogs.chosenFiles.enqueue(std::nullopt);

    f.core.saveSetupFile();

    QCOMPARE(f.dialogs.fileDialogs.size(), 1);
    QVERIFY(f.dialogs.shown.isEmpty());
    QVERIFY(entries(folder.path()).isEmpty());
    QCOMPARE(f.core.lampColour(), 255);
}

void SetupFileTest::everyClickOffersSetupTxt()
{
    QTemporaryDir dir;
    CoreFixture f;
    f.dialogs.chosenFiles.enqueue(dir.filePath(QStringLiteral("Motor2.txt")));
    f.dialogs.chosenFiles.enqueue(std::nullopt);

    f.core.saveSetupFile();
    f.core.saveSetupFile();

    QCOMPARE(f.dialogs.fileDialogs.size(), 2);
    for (const ScriptedDialogs::FileDialog& shown : f.dialogs.fileDialogs) {
        QVERIFY(shown.save);
        QCOMPARE(shown.filter, QStringLiteral("Setup txt (*.txt)|*.txt|Minden File (*.*)|*.*"));
        QCOMPARE(shown.offeredName, kOffered);
    }
}

void SetupFileTest::portAndPortChoiceAreLeftAlone()
{
    // A file error must not go the way of a port error, which would clear the port choice.
    QTemporaryDir dir;
    CoreFixture f;
    f.choosePort(4);
    f.comm.setPortOpen(true);
    const QStringList portLog = f.comm.log;
    f.dialogs.chosenFiles.enqueue(dir.filePath(QStringLiteral("gone/") + kOffered));
    f.dialogs.chosenFiles.enqueue(dir.filePath(kOffered));

    f.core.saveSetupFile();
    f.core.saveSetupFile();

    QCOMPARE(f.dialogs.texts(), QStringList{kFileError + " 76"});
    QVERIFY(QFile::exists(dir.filePath(kOffered)));
    QCOMPARE(f.core.portPosition(), 4);
    QVERIFY(f.comm.portOpen());
    QCOMPARE(f.comm.log, portLog);
    QCOMPARE(f.core.lampColour(), 255);
}

QTEST_GUILESS_MAIN(SetupFileTest)
#include "tst_setupfile.moc"
