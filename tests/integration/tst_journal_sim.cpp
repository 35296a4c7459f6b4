// SPDX-License-Identifier: GPL-3.0-or-later
// The journal of runs end to end on the simulated chip: Start, Stop, a line sent, Start, Stop,
// an option item, Start and closing the window make one session of three runs, each labelled
// with what was sent before it and with figures equal to those of its own file.

#include "support/SimulatedWindow.h"

#include "core/journal/JournalFiles.h"
#include "support/JournalRig.h"
#include "support/TestFiles.h"
#include "window/CommandLine.h"

#include <QAction>
#include <QPushButton>
#include <QTest>

using namespace JournalTests;

namespace {
constexpr int kBlockTimeoutMs = 5000;
constexpr int kBlocksPerRun = 3;
} // namespace

class TestJournalSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aSessionOfThreeRunsIsLabelledWithWhatWasSent();
};

void TestJournalSim::aSessionOfThreeRunsIsLabelledWithWhatWasSent()
{
    QTemporaryDir root;
    SimulatedWindow w;
    QVERIFY2(w.startChip(), qPrintable(w.chip.errorString()));
    RunCutter cutter(w.fo.core());
    Journal journal(cutter, root.path(), kNoCap);
    long long drawn = 0;
    QObject::connect(&w.fo.core(), &Core::blockReceived, &w.fo, [&] { ++drawn; });
    const auto runFor = [&](bool stop) {
        const long long before = drawn;
        QTest::mouseClick(w.fo.Be, Qt::LeftButton);
        QVERIFY(waitUntil([&] { return drawn >= before + kBlocksPerRun; }, kBlockTimeoutMs));
        if (stop)
            QTest::mouseClick(w.fo.Ki, Qt::LeftButton);
    };

    runFor(true);
    w.fo.Command->setText(QStringLiteral("P 120"));
    QTest::keyClick(w.fo.Command, Qt::Key_Return);
    runFor(true);
    w.fo.TP80->trigger();
    runFor(false);
    w.fo.close();

    QString error;
    const std::optional<JournalReader::Session> session =
        JournalReader::session(root.path(), JournalReader::kLast, error);
    QVERIFY2(session, qPrintable(error));
    QCOMPARE(session->messages, QStringList());
    QCOMPARE(session->runs.size(), 3);
    const QStringList labels{QString(), QStringLiteral("P 120"), QStringLiteral("J1022")};
    const QDir folder(session->folder);
    for (int i = 0; i < 3; ++i) {
        const RunRecord& run = session->runs[i];
        QCOMPARE(run.label(), labels[i]);
        QVERIFY(run.blocks >= kBlocksPerRun);
        QCOMPARE(run.device, w.chipLink());
        QVERIFY(run.figures.has_value());
        QVERIFY(*run.figures == figuresOfFile(folder.filePath(JournalFiles::blocksFile(i + 1))));
    }
    // The option item fetched the register listing before its command: the third run keeps it.
    QCOMPARE(QString::fromLatin1(TestFiles::readAll(folder.filePath(JournalFiles::listingFile(3)))),
             resetRegisterListing());
    QVERIFY(!QFileInfo::exists(folder.filePath(JournalFiles::listingFile(1))));
}

QTEST_MAIN(TestJournalSim)
#include "tst_journal_sim.moc"
