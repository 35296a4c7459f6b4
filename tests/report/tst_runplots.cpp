// SPDX-License-Identifier: GPL-3.0-or-later
// The overlays the window shows, as standalone SVG: a whole document when there is something to
// draw, nothing but the reason when not; the sentence that names the run settling first and by
// how much; and a run's analysis read again from its capture file, on a worker thread or at
// once, kept once its run has ended, within bounds.

#include "core/analysis/FigureText.h"
#include "core/analysis/RunAnalysis.h"
#include "core/journal/JournalFiles.h"
#include "report/RunAnalyses.h"
#include "report/RunPlots.h"
#include "support/JournalRig.h"

#include <QXmlStreamReader>
#include <QtTest>

namespace {
using RunFigures::Id;

constexpr int kMoveStart = 50;
constexpr int kMovePeak = 60;

// A block with one move that falls back from its peak in `ramp` samples.
SampleBlock moveBlock(int ramp)
{
    SampleBlock block;
    for (int i = 1; i <= kBlockSize; ++i) {
        const int since = i - kMoveStart;
        const int level = since < 0 ? 0 : kMovePeak * std::max(0, ramp - since) / ramp;
        block.entry[static_cast<std::size_t>(i)] = static_cast<quint8>(128 + level + (i % 3));
    }
    return block;
}

// A run of blocks whose one move each takes longer to settle the longer its ramp.
std::unique_ptr<RunAnalysis> analysisOf(int ramp, int blocks)
{
    auto analysis = std::make_unique<RunAnalysis>(MoveFinder::Settings{});
    for (int b = 1; b <= blocks; ++b)
        analysis->addBlock(b, BlockLevels::valuesOf(moveBlock(ramp)), JournalTests::kGrid);
    return analysis;
}

// A run whose first `settling` blocks hold a move that settles and the `unsettled` after them
// one that does not.
std::unique_ptr<RunAnalysis> mixedAnalysis(int settling, int unsettled)
{
    constexpr int kSettlingRamp = 20;
    constexpr int kEndlessRamp = 2 * kBlockSize; // still far out of the window at the block's end
    auto analysis = std::make_unique<RunAnalysis>(MoveFinder::Settings{});
    for (int b = 1; b <= settling + unsettled; ++b)
        analysis->addBlock(
            b, BlockLevels::valuesOf(moveBlock(b <= settling ? kSettlingRamp : kEndlessRamp)),
            JournalTests::kGrid);
    return analysis;
}

QString rootElement(const QByteArray& svg)
{
    QXmlStreamReader xml(svg);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement)
            return xml.name().toString() + QLatin1Char(' ') + xml.namespaceUri().toString();
    return xml.errorString();
}
} // namespace

class TestRunPlots : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void documents_data()
    {
        QTest::addColumn<int>("blocks");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("runs with moves are drawn as a whole SVG document") << 4 << true;
        QTest::newRow("runs without a block draw nothing and say why") << 0 << false;
    }
    void documents()
    {
        QFETCH(int, blocks);
        QFETCH(bool, drawn);
        const auto a = analysisOf(20, blocks);
        const auto b = analysisOf(40, blocks);
        const std::vector<PlottedRun> runs{{QStringLiteral("run 1"), a.get(), QString()},
                                           {QStringLiteral("run 2"), b.get(), QString()}};
        for (const RunPlots::Document& plot :
             {RunPlots::typicalMovesDocument(runs), RunPlots::spectraDocument(runs)}) {
            QCOMPARE(plot.svg.isEmpty(), !drawn);
            QCOMPARE(plot.drawn.nothingToDraw.isEmpty(), drawn);
            QVERIFY(!plot.summary.isEmpty());
            if (drawn) {
                QCOMPARE(rootElement(plot.svg), QStringLiteral("svg http://www.w3.org/2000/svg"));
                QCOMPARE(plot.drawn.legend.size(), std::size_t(2));
            }
        }
    }

    void theSentenceNamesTheRunThatSettlesFirstAndByHowMuch()
    {
        const auto small = analysisOf(20, 4);
        const auto large = analysisOf(60, 4);
        const RunFigures::Values fast = small->figures();
        const RunFigures::Values slow = large->figures();
        QVERIFY(fast[Id::SettleMs].value.number && slow[Id::SettleMs].value.number);
        QVERIFY(*fast[Id::SettleMs].value.number < *slow[Id::SettleMs].value.number);
        const QString gap = FigureText::quantity(
            Id::SettleMs, RunFigures::Quantity::of(*slow[Id::SettleMs].value.number -
                                                   *fast[Id::SettleMs].value.number));
        // Either order of the runs gives the same sentence.
        const QString expected = QStringLiteral("run 3 settles first");
        for (const auto& runs :
             {std::vector<PlottedRun>{{QStringLiteral("run 1"), large.get(), QString()},
                                      {QStringLiteral("run 3"), small.get(), QString()}},
              std::vector<PlottedRun>{{QStringLiteral("run 3"), small.get(), QString()},
                                      {QStringLiteral("run 1"), large.get(), QString()}}}) {
            const QString sentence = RunPlots::settleSummary(runs);
            QVERIFY2(sentence.startsWith(expected), qPrintable(sentence));
            QVERIFY2(sentence.contains(QStringLiteral("%1 ms before run 1").arg(gap)),
                     qPrintable(sentence));
        }
    }

    void runsWithoutAMedianSettleTimeSayWhy_data()
    {
        QTest::addColumn<int>("settling");
        QTest::addColumn<bool>("drawn");
        QTest::newRow("runs that never settle say so, each by name") << 0 << false;
        QTest::newRow("runs settling in under half their moves say what their lines are")
            << 1 << true;
    }
    void runsWithoutAMedianSettleTimeSayWhy()
    {
        QFETCH(int, settling);
        QFETCH(bool, drawn);
        const auto a = mixedAnalysis(settling, 3);
        const auto b = mixedAnalysis(settling, 3);
        const std::vector<PlottedRun> runs{{QStringLiteral("run 1"), a.get(), QString()},
                                           {QStringLiteral("run 2"), b.get(), QString()}};
        const QString sentence = RunPlots::settleSummary(runs);
        for (const char* why : {"run 1: not settled", "run 2: not settled"})
            QVERIFY2(sentence.contains(QLatin1String(why)), qPrintable(sentence));
        QCOMPARE(sentence.contains(QStringLiteral("moves that settled")), drawn);
        QCOMPARE(RunPlots::typicalMovesDocument(runs).drawn.nothingToDraw.isEmpty(), drawn);
    }

    void anEndedRunIsReadOnceAndARunGoingOnEachTime()
    {
        QTemporaryDir root;
        JournalTests::JournalRig rig(root.path());
        rig.run(3);
        const QString folder = rig.journal.sessionFolder();
        RunAnalyses analyses;
        QString error;
        const RunAnalyses::Analysis first = analyses.readNow(folder, {1, true}, error);
        QVERIFY2(first, qPrintable(error));
        QCOMPARE(first->figures(), JournalTests::figuresOfFile(RunAnalyses::pathOf(folder, 1)));
        // Kept: the file is not read again, even when it has gone.
        QVERIFY(QFile::remove(RunAnalyses::pathOf(folder, 1)));
        QCOMPARE(analyses.readNow(folder, {1, true}, error), first);

        rig.run(2, QString(), false);
        QVERIFY2(analyses.readNow(folder, {2, false}, error), qPrintable(error));
        QVERIFY(QFile::remove(RunAnalyses::pathOf(folder, 2)));
        QVERIFY(!analyses.readNow(folder, {2, false}, error));
        QVERIFY(error.contains(JournalFiles::blocksFile(2)));
    }

    // The worker hands back what is wanted, a file it cannot read with its reason; what it reads
    // ahead is kept without being asked for again, and no more than kKept runs are kept, the one
    // used longest ago given up first.
    void runsAreReadOnTheWorkerAndKeptWithinBounds()
    {
        QTemporaryDir root;
        JournalTests::JournalRig rig(root.path());
        constexpr int kRuns = RunAnalyses::kKept + 3;
        for (int r = 0; r < kRuns; ++r)
            rig.run(2);
        const QString folder = rig.journal.sessionFolder();
        RunAnalyses analyses;
        QHash<int, QString> handed; // run number: its error, empty when read
        connect(&analyses, &RunAnalyses::read, this,
                [&](const QString&, int number, const RunAnalyses::Analysis& analysis,
                    const QString& error) { handed.insert(number, analysis ? QString() : error); });

        QVERIFY(QFile::remove(RunAnalyses::pathOf(folder, 2)));
        analyses.want(folder, {{1, true}, {2, true}});
        QTRY_COMPARE(handed.size(), 2);
        QVERIFY(handed.value(1).isEmpty());
        QVERIFY2(handed.value(2).contains(JournalFiles::blocksFile(2)), qPrintable(handed[2]));
        const RunAnalyses::Analysis first = analyses.kept(folder, 1);
        QVERIFY(first);
        QCOMPARE(first->figures(), JournalTests::figuresOfFile(RunAnalyses::pathOf(folder, 1)));

        QList<int> ahead;
        for (int number = 3; number <= kRuns; ++number)
            ahead << number;
        analyses.readAhead(folder, ahead);
        QTRY_VERIFY(analyses.idle());
        QCoreApplication::processEvents();
        // Run 1, used longest ago, and then run 3 made room for the last two.
        QVERIFY(!analyses.kept(folder, 3));
        QVERIFY(analyses.kept(folder, kRuns));
        QVERIFY(analyses.kept(folder, 4));
        QVERIFY(!analyses.kept(folder, 1));
    }
};

QTEST_GUILESS_MAIN(TestRunPlots)
#include "tst_runplots.moc"
