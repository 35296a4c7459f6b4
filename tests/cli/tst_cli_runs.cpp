// SPDX-License-Identifier: GPL-3.0-or-later
// "runs": the journal the window keeps, listed by the built program: the sessions newest first,
// one session's runs with their labels and the best run per figure, each run's change against
// the one before it in the text table and the JSON, a session not there.

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

// The text under a column's header in run `number`'s line: the session's line comes first, then
// the headers, then the runs in order, their columns lined up under the headers.
QString underHeader(const QByteArray& table, const QString& header, int number)
{
    const QStringList lines = QString::fromUtf8(table).split(QLatin1Char('\n'));
    const qsizetype at = lines.value(1).indexOf(header);
    return at < 0 ? QStringLiteral("(no column)")
                  : lines.value(1 + number).mid(at, header.size()).trimmed();
}
} // namespace

class TestCliRuns : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sessionsAndRunsAreListedWithTheBestRunNamed();
    void eachRunIsComparedWithTheOneBefore_data();
    void eachRunIsComparedWithTheOneBefore();
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

void TestCliRuns::eachRunIsComparedWithTheOneBefore_data()
{
    QTest::addColumn<QString>("figure");
    QTest::addColumn<int>("run");
    QTest::addColumn<QString>("expected");
    // Each run of one block: the middle halves are the values, and the peaks grow run by run.
    QTest::newRow("a higher peak than the run before is worse, though the table shows no peak")
        << "peak" << 2 << "worse";
    QTest::newRow("a settle time shown the same as the run before's is the same")
        << "settle_ms" << 2 << "same";
    QTest::newRow("the first run has nothing to be compared with") << "settle_ms" << 1 << "";
}

void TestCliRuns::eachRunIsComparedWithTheOneBefore()
{
    QFETCH(QString, figure);
    QFETCH(int, run);
    QFETCH(QString, expected);
    QTemporaryDir root;
    {
        JournalRig rig(root.path());
        rig.run(1);
        rig.run(1, QStringLiteral("P 120"));
        rig.run(1, QStringLiteral("I 3"));
    }
    const QStringList last{QStringLiteral("last"), QStringLiteral("--journal"), root.path()};

    const auto [listed, json] = runs(last + QStringList{QStringLiteral("--json")});
    QCOMPARE(listed, ExitStatus::kDone);
    const QJsonArray runList =
        QJsonDocument::fromJson(json).object()[QStringLiteral("runs")].toArray();
    QCOMPARE(runList.size(), 3);
    const QJsonObject change = runList[run - 1][QStringLiteral("change")].toObject();
    QCOMPARE(change[figure].toString(), expected);
    QCOMPARE(change.contains(figure), !expected.isEmpty());

    // The table shows the change of the figures it shows, beside each.
    if (figure == QStringLiteral("settle_ms")) {
        const auto [shown, table] = runs(last);
        QCOMPARE(shown, ExitStatus::kDone);
        QCOMPARE(underHeader(table, figure + QStringLiteral(" change"), run), expected);
    }
}

QTEST_GUILESS_MAIN(TestCliRuns)
#include "tst_cli_runs.moc"
