// SPDX-License-Identifier: GPL-3.0-or-later
// "runs": the journal the window keeps, listed by the built program: the sessions newest first,
// one session's runs with their labels and the best run per figure, and a session whose
// session.json is lost.

#include "cli/ExitStatus.h"
#include "core/journal/Journal.h"
#include "core/journal/JournalFiles.h"
#include "core/runs/RunCutter.h"
#include "support/CoreFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

namespace {
constexpr qint64 kNoCap = qint64(1) << 40;
constexpr int kTimeoutMs = 30'000;

struct Ran
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Ran runsCommand(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(TREVALON_CLI_PATH),
                  QStringList{QStringLiteral("runs")} + arguments);
    process.waitForFinished(kTimeoutMs);
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

// A block whose move overshoots by `overshoot` steps.
SampleBlock blockWithOvershoot(int overshoot)
{
    SampleBlock block;
    for (int i = 1; i <= kBlockSize; ++i) {
        int level = 128;
        if (i >= 50 && i < 60)
            level = 128 + 50;
        else if (i >= 60 && i < 70)
            level = 128 - overshoot;
        block.entry[static_cast<std::size_t>(i)] = static_cast<quint8>(level);
    }
    return block;
}

// A session of runs, one for each overshoot, each after sending "P <overshoot>".
void writeSession(const QString& root, const QDateTime& started, const QList<int>& overshoots)
{
    CoreFixture f;
    RunCutter cutter(f.core);
    Journal journal(cutter, root, kNoCap, started);
    for (const int overshoot : overshoots) {
        f.core.sendLine(QStringLiteral("P %1").arg(overshoot));
        f.core.startScope();
        stateOf(f.core).timeGrid = 0.5;
        for (int b = 0; b < 2; ++b)
            CoreInsides::drawReceivedBlock(f.core, blockWithOvershoot(overshoot));
        f.core.stopScope();
    }
}
} // namespace

class TestCliRuns : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void sessionsAreListedNewestFirst();
    void aSessionsRunsAreListedWithTheBestRunNamed();
    void aLostSessionFileIsRebuiltWithAMessage();
    void aSessionNotThereEndsWithStatus5();

private:
    QTemporaryDir root_;
    const QDateTime older_{QDate(2026, 12, 1), QTime(9, 0, 0)};
    const QDateTime newer_{QDate(2026, 12, 9), QTime(14, 5, 33)};
};

void TestCliRuns::initTestCase()
{
    writeSession(root_.path(), older_, {20});
    writeSession(root_.path(), newer_, {30, 10, 25});
}

void TestCliRuns::sessionsAreListedNewestFirst()
{
    const Ran ran =
        runsCommand({QStringLiteral("--json"), QStringLiteral("--journal"), root_.path()});
    QCOMPARE(ran.status, ExitStatus::kDone);
    const QJsonArray sessions =
        QJsonDocument::fromJson(ran.out).object()[QStringLiteral("sessions")].toArray();
    QCOMPARE(sessions.size(), 2);
    QCOMPARE(sessions[0][QStringLiteral("name")].toString(), JournalFiles::sessionName(newer_));
    QCOMPARE(sessions[0][QStringLiteral("runs")].toInt(), 3);
    QVERIFY(sessions[0][QStringLiteral("bytes")].toInteger() > 0);
    QCOMPARE(sessions[1][QStringLiteral("name")].toString(), JournalFiles::sessionName(older_));

    const Ran table = runsCommand({QStringLiteral("--journal"), root_.path()});
    const QList<QByteArray> lines = table.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY(lines[1].startsWith("2026-12-09 14:05:33"));
}

void TestCliRuns::aSessionsRunsAreListedWithTheBestRunNamed()
{
    const Ran ran = runsCommand({QStringLiteral("last"), QStringLiteral("--json"),
                                 QStringLiteral("--journal"), root_.path()});
    QCOMPARE(ran.status, ExitStatus::kDone);
    const QJsonObject session = QJsonDocument::fromJson(ran.out).object();
    const QJsonArray runs = session[QStringLiteral("runs")].toArray();
    QCOMPARE(runs.size(), 3);
    QCOMPARE(runs[1][QStringLiteral("label")].toString(), QStringLiteral("P 10"));
    QCOMPARE(runs[1][QStringLiteral("blocks")].toInt(), 2);
    QVERIFY(runs[1][QStringLiteral("figures")][QStringLiteral("overshoot_pct")].isDouble());
    // The smallest overshoot is the second run's.
    QCOMPARE(session[QStringLiteral("best")][QStringLiteral("overshoot_pct")].toInt(), 2);

    const Ran table =
        runsCommand({JournalFiles::sessionName(newer_), QStringLiteral("--journal"), root_.path()});
    QCOMPARE(table.status, ExitStatus::kDone);
    QVERIFY(table.out.contains("best overshoot_pct: run 2"));
    QVERIFY(table.out.contains("P 25\n"));
}

void TestCliRuns::aLostSessionFileIsRebuiltWithAMessage()
{
    QTemporaryDir root;
    writeSession(root.path(), newer_, {30, 10});
    const QString folder = QDir(root.path()).filePath(JournalFiles::sessionName(newer_));
    QVERIFY(QFile::remove(QDir(folder).filePath(JournalFiles::kSessionFile)));
    const Ran ran = runsCommand({folder, QStringLiteral("--json")});
    QCOMPARE(ran.status, ExitStatus::kDone);
    QVERIFY(ran.err.contains("rebuilt"));
    const QJsonArray runs =
        QJsonDocument::fromJson(ran.out).object()[QStringLiteral("runs")].toArray();
    QCOMPARE(runs.size(), 2);
    QCOMPARE(runs[0][QStringLiteral("label")].toString(), QStringLiteral("P 30"));
    QVERIFY(runs[1][QStringLiteral("figures")][QStringLiteral("overshoot_pct")].isDouble());
}

void TestCliRuns::aSessionNotThereEndsWithStatus5()
{
    const Ran ran = runsCommand(
        {QStringLiteral("2020-01-01_00-00-00"), QStringLiteral("--journal"), root_.path()});
    QCOMPARE(ran.status, ExitStatus::kIoFailure);
    QVERIFY(ran.err.contains("no session"));
}

QTEST_GUILESS_MAIN(TestCliRuns)
#include "tst_cli_runs.moc"
