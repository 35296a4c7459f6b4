// SPDX-License-Identifier: GPL-3.0-or-later
// "runs": the journal the window keeps, listed by the built program: the sessions newest first,
// one session's runs with their labels and the best run per figure, a session not there.

#include "cli/ExitStatus.h"
#include "core/journal/JournalFiles.h"
#include "support/JournalRig.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using namespace JournalTests;

namespace {
constexpr int kTimeoutMs = 30'000;
const QDateTime kOlder(QDate(2026, 12, 1), QTime(9, 0, 0));

// The program's exit status and standard output for a command.
std::pair<int, QByteArray> cli(const QString& command, const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(TREVALON_CLI_PATH), QStringList{command} + arguments);
    process.waitForFinished(kTimeoutMs);
    return {process.exitCode(), process.readAllStandardOutput()};
}

std::pair<int, QByteArray> runs(const QStringList& arguments)
{
    return cli(QStringLiteral("runs"), arguments);
}
} // namespace

class TestCliRuns : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sessionsAndRunsAreListedWithTheBestRunNamed();
};

void TestCliRuns::sessionsAndRunsAreListedWithTheBestRunNamed()
{
    QTemporaryDir root;
    JournalRig(root.path(), kNoCap, kOlder).run(1);
    {
        JournalRig newer(root.path());
        newer.run(2, QStringLiteral("P 30"));
        newer.run(2, QStringLiteral("P 10"));
    }
    const QStringList journal{QStringLiteral("--journal"), root.path()};

    const auto [listed, sessionsOut] = runs(QStringList{QStringLiteral("--json")} + journal);
    QCOMPARE(listed, ExitStatus::kDone);
    const QJsonArray sessions =
        QJsonDocument::fromJson(sessionsOut).object()[QStringLiteral("sessions")].toArray();
    QCOMPARE(sessions.size(), 2);
    QCOMPARE(sessions[0][QStringLiteral("name")].toString(), kSessionName);
    QCOMPARE(sessions[0][QStringLiteral("runs")].toInt(), 2);
    QCOMPARE(sessions[1][QStringLiteral("name")].toString(), JournalFiles::sessionName(kOlder));

    const auto [shown, runsOut] =
        runs(QStringList{QStringLiteral("last"), QStringLiteral("--json")} + journal);
    QCOMPARE(shown, ExitStatus::kDone);
    const QJsonObject session = QJsonDocument::fromJson(runsOut).object();
    const QJsonArray runList = session[QStringLiteral("runs")].toArray();
    QCOMPARE(runList.size(), 2);
    QCOMPARE(runList[1][QStringLiteral("label")].toString(), QStringLiteral("P 10"));
    QCOMPARE(runList[1][QStringLiteral("blocks")].toInt(), 2);
    // The moves' peaks grow from run to run: the first run's is the lowest.
    QCOMPARE(session[QStringLiteral("best")][QStringLiteral("peak")][QStringLiteral("run")].toInt(),
             1);

    // A session folder analysed: each of its runs, labelled with what was sent before it.
    const auto [analysed, analysis] =
        cli(QStringLiteral("analyse"), {session[QStringLiteral("folder")].toString(), "--json"});
    QCOMPARE(analysed, ExitStatus::kDone);
    const QJsonArray files = QJsonDocument::fromJson(analysis).object()["files"].toArray();
    QCOMPARE(files.size(), 2);
    QCOMPARE(files[0]["label"].toString(), QStringLiteral("P 30"));
    QCOMPARE(files[1]["label"].toString(), QStringLiteral("P 10"));
    QVERIFY(files[1]["path"].toString().endsWith(JournalFiles::blocksFile(2)));

    const auto [missing, nothing] =
        runs(QStringList{QStringLiteral("2020-01-01_00-00-00")} + journal);
    QCOMPARE(missing, ExitStatus::kIoFailure);
    QCOMPARE(nothing, QByteArray());
}

QTEST_GUILESS_MAIN(TestCliRuns)
#include "tst_cli_runs.moc"
