// SPDX-License-Identifier: GPL-3.0-or-later
// Runs cut from the core's verbs on the fake port: which verb begins a run and which ends it,
// a start without blocks, what a run is labelled with and which register listing it keeps.

#include "core/link/CommError.h"
#include "core/runs/RunCutter.h"
#include "support/JournalRig.h"

#include <QSignalSpy>
#include <QtTest>

#include <functional>

namespace {
using Verb = std::function<void(CoreFixture&)>;

// A block as the chip would have sent it, told to the core's watchers as received.
void receiveBlock(CoreFixture& f)
{
    CoreInsides::drawReceivedBlock(f.core, JournalTests::moveBlock(0));
}

Verb verbNamed(const QString& name)
{
    static const QHash<QString, Verb> verbs{
        {QStringLiteral("Start"), [](CoreFixture& f) { f.core.startScope(); }},
        {QStringLiteral("Triger on"), [](CoreFixture& f) { f.core.startTriggered(); }},
        {QStringLiteral("Triger off"), [](CoreFixture& f) { f.core.startUntriggered(); }},
        {QStringLiteral("Stop"), [](CoreFixture& f) { f.core.stopScope(); }},
        {QStringLiteral("command line focus"), [](CoreFixture& f) { f.core.enterCommandLine(); }},
        {QStringLiteral("line sent"),
         [](CoreFixture& f) { f.core.sendLine(QStringLiteral("P 120")); }},
        {QStringLiteral("registers"),
         [](CoreFixture& f) { f.core.fetchListing(Core::Listing::Registers); }},
        {QStringLiteral("specials"),
         [](CoreFixture& f) { f.core.fetchListing(Core::Listing::Specials); }},
        {QStringLiteral("fuses"),
         [](CoreFixture& f) { f.core.fetchListing(Core::Listing::Fuses); }},
        {QStringLiteral("option"),
         [](CoreFixture& f) { f.core.switchOption(Core::ChipOption::Thermo80); }},
        {QStringLiteral("Detect"), [](CoreFixture& f) { f.core.detectTiming(); }},
        {QStringLiteral("marker"), [](CoreFixture& f) { f.core.placeMarkerAt(10); }},
        {QStringLiteral("port edited"), [](CoreFixture& f) { f.core.closePortForNewChoice(); }},
        {QStringLiteral("port failure"),
         [](CoreFixture& f) { f.comm.failDevice(CommErrorNumber::DeviceFailed); }},
        {QStringLiteral("shutdown"), [](CoreFixture& f) { f.core.shutDown(); }},
        {QStringLiteral("pointer moved"), [](CoreFixture& f) { f.core.pointAt(20, 3); }},
        {QStringLiteral("colour chosen"), [](CoreFixture& f) { f.core.chooseTraceColour(2); }},
        {QStringLiteral("command line left"), [](CoreFixture& f) { f.core.leaveCommandLine(); }},
    };
    return verbs.value(name);
}
} // namespace

class TestRunCutter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runBoundaries_data();
    void runBoundaries();
    void aRunKeepsWhatWasSentSinceThePreviousRunAndTheLastRegisterListing();
};

void TestRunCutter::runBoundaries_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("then");
    QTest::addColumn<bool>("ends");

    const QStringList starts{QStringLiteral("Start"), QStringLiteral("Triger on"),
                             QStringLiteral("Triger off")};
    for (const QString& start : starts) {
        for (const QString& end :
             {QStringLiteral("Stop"), QStringLiteral("command line focus"),
              QStringLiteral("line sent"), QStringLiteral("registers"), QStringLiteral("specials"),
              QStringLiteral("fuses"), QStringLiteral("option"), QStringLiteral("Detect"),
              QStringLiteral("marker"), QStringLiteral("port edited"),
              QStringLiteral("port failure"), QStringLiteral("shutdown"), QStringLiteral("Start"),
              QStringLiteral("Triger on"), QStringLiteral("Triger off")}) {
            QTest::addRow("a run begun by %s is ended by %s", qPrintable(start), qPrintable(end))
                << start << end << true;
        }
        for (const QString& other :
             {QStringLiteral("pointer moved"), QStringLiteral("colour chosen"),
              QStringLiteral("command line left")}) {
            QTest::addRow("a run begun by %s goes on through %s", qPrintable(start),
                          qPrintable(other))
                << start << other << false;
        }
    }
}

void TestRunCutter::runBoundaries()
{
    QFETCH(QString, start);
    QFETCH(QString, then);
    QFETCH(bool, ends);

    CoreFixture f;
    RunCutter cutter(f.core);
    QSignalSpy started(&cutter, &RunCutter::runStarted);
    QSignalSpy ended(&cutter, &RunCutter::runEnded);
    verbNamed(start)(f);
    receiveBlock(f);
    receiveBlock(f);
    QCOMPARE(started.count(), 1);
    verbNamed(then)(f);

    QCOMPARE(ended.count(), ends ? 1 : 0);
    QCOMPARE(cutter.currentRun() == nullptr, ends);
    if (ends) {
        QCOMPARE(ended.first().first().value<RunRecord>().blocks, 2LL);
        QVERIFY(ended.first().first().value<RunRecord>().figures.has_value());
    }
    // A block after it belongs to a second run only when that was a start.
    receiveBlock(f);
    const bool begins = then == QLatin1String("Start") || then.startsWith(QLatin1String("Triger"));
    QCOMPARE(started.count(), ends && begins ? 2 : 1);
    const long long blocksNow = cutter.currentRun() ? cutter.currentRun()->blocks : 0;
    QCOMPARE(blocksNow, ends ? (begins ? 1LL : 0LL) : 3LL);
}

void TestRunCutter::aRunKeepsWhatWasSentSinceThePreviousRunAndTheLastRegisterListing()
{
    CoreFixture f;
    RunCutter cutter(f.core);
    QSignalSpy ended(&cutter, &RunCutter::runEnded);
    f.core.startScope();
    receiveBlock(f);
    f.core.switchOption(Core::ChipOption::PwmAcMode);
    f.core.fetchListing(Core::Listing::Registers);
    CoreInsides::appendToConsole(f.core, QStringLiteral("P=100\r\n"));
    CoreInsides::appendToConsole(f.core, QStringLiteral("I=\xe9\r\n"));
    // A line's answer and a listing of another kind are not the register listing.
    f.core.sendLine(QStringLiteral("P 120"));
    CoreInsides::appendToConsole(f.core, QStringLiteral("OK\r\n"));
    f.core.fetchListing(Core::Listing::Fuses);
    CoreInsides::appendToConsole(f.core, QStringLiteral("fuses\r\n"));
    // A start without blocks makes no run: what was sent waits for the next one.
    f.core.startScope();
    f.core.sendLine(QStringLiteral("I  7 "));
    f.core.startScope();
    receiveBlock(f);
    f.core.stopScope();
    // A listing asked for again is as the chip stands; what is sent after it is kept again.
    f.core.fetchListing(Core::Listing::Registers);
    CoreInsides::appendToConsole(f.core, QStringLiteral("P=130\r\n"));
    f.core.startScope();
    receiveBlock(f);
    f.core.stopScope();

    QCOMPARE(ended.count(), 3);
    QCOMPARE(ended.at(0).first().value<RunRecord>().label(), QString());
    const auto second = ended.at(1).first().value<RunRecord>();
    QCOMPARE(second.number, 2);
    QCOMPARE(second.sent, (QStringList{QStringLiteral("J1028"), QStringLiteral("P 120"),
                                       QStringLiteral("I  7 ")}));
    QCOMPARE(second.registerListing, QStringLiteral("P=100\r\nI=\xe9\r\n"));
    // The option was sent before the listing was asked for; the lines after it may have changed
    // what it lists.
    QCOMPARE(second.sentSinceListing,
             (QStringList{QStringLiteral("P 120"), QStringLiteral("I  7 ")}));
    QCOMPARE(ended.at(2).first().value<RunRecord>().sentSinceListing, QStringList());
}

QTEST_GUILESS_MAIN(TestRunCutter)
#include "tst_runcutter.moc"
