// SPDX-License-Identifier: GPL-3.0-or-later
// The journal of runs on disk and read back: a session's runs with their labels and figures,
// and the faults: a window killed during a run, a damaged or lost session.json, a folder that
// cannot be written, a disk that fills, and the size cap.

#include "core/journal/JournalFiles.h"
#include "support/FileSizeLimit.h"
#include "support/JournalRig.h"
#include "support/TestFiles.h"

#include <QSignalSpy>
#include <QtTest>

using namespace JournalTests;

class TestJournal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aSessionKeepsItsRunsWithLabelsListingsAndFigures();
    void aRunCutShortByAKillIsTakenFromItsFiles();
    void aDamagedOrLostSessionFileIsRebuiltFromTheRunFiles_data();
    void aDamagedOrLostSessionFileIsRebuiltFromTheRunFiles();
    void aFolderThatCannotBeMadeStopsTheJournalNotTheRuns();
    void aFullDiskStopsTheJournalKeepingWhatWasWritten();
    void theCapRemovesTheOldestSessionsButNeverTheCurrentOne();
};

void TestJournal::aSessionKeepsItsRunsWithLabelsListingsAndFigures()
{
    QTemporaryDir root;
    JournalRig rig(root.path());
    rig.run(0); // a start without blocks makes no run, and no folder
    QCOMPARE(TestFiles::entries(root.path()), QStringList());
    rig.run(3);
    rig.f.core.fetchListing(Core::Listing::Registers);
    CoreInsides::appendToConsole(rig.f.core, QStringLiteral("P=100\r\n"));
    rig.run(2, QStringLiteral("P 120"));

    const QDir folder(root.filePath(kSessionName));
    const JournalReader::Session session = readSession(root.path());
    QCOMPARE(session.messages, QStringList());
    QCOMPARE(session.runs.size(), 2);
    QCOMPARE(session.runs[1].label(), QStringLiteral("P 120"));
    QCOMPARE(session.runs[1].blocks, 2LL);
    // The figures kept are those `analyse` finds in the run's own file.
    QVERIFY(session.runs[1].figures == figuresOfFile(folder.filePath(JournalFiles::blocksFile(2))));
    QCOMPARE(TestFiles::readAll(folder.filePath(JournalFiles::listingFile(2))),
             QByteArray("P=100\r\n"));
    QCOMPARE(JournalReader::registerListing(folder.path(), 2), QStringLiteral("P=100\r\n"));
    QCOMPARE(JournalReader::registerListing(folder.path(), 1), QString());
    QCOMPARE(session.runs[1].sentSinceListing, QStringList{QStringLiteral("P 120")});
    QCOMPARE(rig.journal.statusText(), QStringLiteral("journal: 2 runs in ") + kSessionName);
}

void TestJournal::aRunCutShortByAKillIsTakenFromItsFiles()
{
    QTemporaryDir root;
    JournalRig rig(root.path());
    rig.run(2);
    rig.run(3, QStringLiteral("D 40"), false);
    // What a kill leaves: the files as they are now, with the second run still going.
    const JournalReader::Session session = readSession(root.path());
    QCOMPARE(session.runs.size(), 2);
    QCOMPARE(session.runs[0].blocks, 2LL);
    const RunRecord& cut = session.runs[1];
    QCOMPARE(cut.label(), QStringLiteral("D 40"));
    QCOMPARE(cut.blocks, 3LL);
    QVERIFY(cut.figures ==
            figuresOfFile(QDir(rig.journal.sessionFolder()).filePath(JournalFiles::blocksFile(2))));
    QCOMPARE(session.messages.size(), 1);
    QVERIFY(session.messages.first().contains(QStringLiteral("run 2")));
}

void TestJournal::aDamagedOrLostSessionFileIsRebuiltFromTheRunFiles_data()
{
    QTest::addColumn<QByteArray>("sessionFile"); // empty: removed
    QTest::newRow("a session.json cut in the middle is rebuilt")
        << QByteArray("{\"format\": 1, \"ru");
    QTest::newRow("a session.json of another program is rebuilt") << QByteArray("{\"runs\": 3}");
    QTest::newRow("a lost session.json is rebuilt") << QByteArray();
}

void TestJournal::aDamagedOrLostSessionFileIsRebuiltFromTheRunFiles()
{
    QFETCH(QByteArray, sessionFile);
    QTemporaryDir root;
    JournalRig rig(root.path());
    rig.run(2, QStringLiteral("P 90"));
    rig.run(1, QStringLiteral("P 120"));
    const RunRecord kept = readSession(root.path()).runs.at(1);
    const QString path = QDir(root.filePath(kSessionName)).filePath(JournalFiles::kSessionFile);
    if (sessionFile.isEmpty())
        QVERIFY(QFile::remove(path));
    else
        QVERIFY(TestFiles::writeFile(path, sessionFile));
    const QStringList filesBefore = TestFiles::entries(root.filePath(kSessionName));

    const JournalReader::Session session = readSession(root.path());
    QCOMPARE(session.messages.size(), 1);
    QVERIFY(session.messages.first().contains(JournalFiles::kSessionFile));
    QCOMPARE(session.runs.size(), 2);
    QCOMPARE(session.runs[0].label(), QStringLiteral("P 90"));
    QCOMPARE(session.runs[1].label(), QStringLiteral("P 120"));
    QCOMPARE(session.runs[1].start, kept.start);
    QVERIFY(session.runs[1].figures == kept.figures);
    // Reading deletes and rewrites nothing.
    QCOMPARE(TestFiles::entries(root.filePath(kSessionName)), filesBefore);
    if (!sessionFile.isEmpty())
        QCOMPARE(TestFiles::readAll(path), sessionFile);
}

void TestJournal::aFolderThatCannotBeMadeStopsTheJournalNotTheRuns()
{
    QTemporaryDir place;
    // A file where a folder should be: no user, root included, can make a folder in it.
    const QString file = place.filePath(QStringLiteral("a-file"));
    QVERIFY(TestFiles::writeFile(file, "x"));
    JournalRig rig(file + QStringLiteral("/runs"));
    QSignalSpy ended(&rig.cutter, &RunCutter::runEnded);
    rig.run(2);
    rig.run(1);
    QCOMPARE(ended.count(), 2);
    QVERIFY(!rig.journal.failure().isEmpty());
    QVERIFY(rig.journal.statusText().startsWith(QStringLiteral("journal stopped: ")));
    QCOMPARE(TestFiles::readAll(file), QByteArray("x"));
}

void TestJournal::aFullDiskStopsTheJournalKeepingWhatWasWritten()
{
    QTemporaryDir root;
    JournalRig rig(root.path());
    rig.run(2);
    rig.run(2, QString(), false);
    {
        const QString blocksOfRun2 =
            QDir(root.filePath(kSessionName)).filePath(JournalFiles::blocksFile(2));
        const FileSizeLimit limit(static_cast<rlim_t>(QFileInfo(blocksOfRun2).size() + 100));
        QVERIFY(limit.active());
        for (int b = 0; b < 3; ++b)
            CoreInsides::drawReceivedBlock(rig.f.core, moveBlock(b));
        rig.f.core.stopScope();
    }
    QVERIFY(rig.journal.statusText().startsWith(QStringLiteral("journal stopped: ")));
    const JournalReader::Session session = readSession(root.path());
    QCOMPARE(session.runs.size(), 2);
    QCOMPARE(session.runs[0].blocks, 2LL);
    // The second run's whole blocks stay readable; the torn one is left out.
    QCOMPARE(session.runs[1].blocks, 2LL);
    QVERIFY(session.runs[1].figures.has_value());
    // The scope went on: the core still draws and the runs are still cut.
    rig.run(1);
    QCOMPARE(rig.cutter.runsBegun(), 3);
}

void TestJournal::theCapRemovesTheOldestSessionsButNeverTheCurrentOne()
{
    QTemporaryDir root;
    const QByteArray filler(40 * 1024, 'x');
    const QStringList old{QStringLiteral("2026-12-01_09-00-00"),
                          QStringLiteral("2026-12-02_09-00-00"),
                          QStringLiteral("2026-12-03_09-00-00")};
    for (const QString& name : old) {
        QVERIFY(QDir(root.path()).mkpath(name));
        QVERIFY(TestFiles::writeFile(
            QDir(root.filePath(name)).filePath(JournalFiles::blocksFile(1)), filler));
    }
    // Room for the newest old session and this one, not for two old ones.
    JournalRig rig(root.path(), 60 * 1024);
    rig.run(1);
    QCOMPARE(TestFiles::entries(root.path()), (QStringList{old[2], kSessionName}));
    QCOMPARE(rig.journal.sessionsRemoved(), 2);
    QVERIFY(rig.journal.statusText().contains(QStringLiteral("the oldest 2 sessions removed")));

    // The current session alone over the cap stays whole.
    JournalRig tight(root.path(), 1);
    tight.run(1);
    const QStringList left = TestFiles::entries(root.path());
    QCOMPARE(left.size(), 1);
    QVERIFY(left.first().startsWith(kSessionName));
    QVERIFY(left.first() != kSessionName); // the second rig's own folder, suffixed
}

QTEST_GUILESS_MAIN(TestJournal)
#include "tst_journal.moc"
