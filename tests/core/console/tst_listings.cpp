// SPDX-License-Identifier: GPL-3.0-or-later
// The register, special-command and fuse listings: the steps in which they differ, a running
// scope's stream taken as samples during the wait, a port closed by a handler run during the
// wait, and no port chosen.

#include "core/console/Listings.h"
#include "core/console/PassProbe.h"
#include "core/link/Link.h"
#include "support/CoreFixture.h"

#include <QTest>

namespace {
enum Listing { Registers, Special, Fuses };

// Runs a listing through the handler its control runs: the two buttons and the menu item.
void choose(Core& core, int listing)
{
    switch (listing) {
    case Registers:
        core.fetchListing(Core::Listing::Registers);
        break;
    case Special:
        core.fetchListing(Core::Listing::Specials);
        break;
    case Fuses:
        core.fetchListing(Core::Listing::Fuses);
        break;
    }
}

// Nothing on the scope since the core last cleared it.
bool scopeBlank(const CoreFixture& f)
{
    return !f.shown.scopeDrawn;
}

// What the core had shown at the moment of one write.
struct Seen
{
    QByteArray bytes;
    Core::LineMode lineMode;
    QString console;
    bool blank;
};

// Closes the port from a handler run inside the listing's wait.
void closeDuringWait(Core& core)
{
    QMetaObject::invokeMethod(
        &core, [&core] { linkOf(core).closeIfOpen(); }, Qt::QueuedConnection);
}
} // namespace

class TestListings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listingSteps_data();
    void listingSteps();
    void scopeStreamTakenAsSamples_data();
    void scopeStreamTakenAsSamples();
    void fusesWipeOldTextAndStopAnswer();
    void fusesOnPortClosedDuringWait();
    void requestOnPortClosedDuringWait_data();
    void requestOnPortClosedDuringWait();
    void noPortChosen_data();
    void noPortChosen();
};

void TestListings::listingSteps_data()
{
    QTest::addColumn<int>("listing");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("wait");
    QTest::addColumn<Core::LineMode>("modeAtStop");
    QTest::addColumn<QString>("consoleAtRequest");
    QTest::addColumn<bool>("surfaceCleared");

    QTest::newRow("Registers sends a lone CR after 2001 passes and then clears everything")
        << int(Registers) << QByteArray("\r") << 2001 << Core::LineMode::Capture
        << QStringLiteral("old") << true;
    QTest::newRow("Special sends s after 2001 passes and then clears everything")
        << int(Special) << QByteArray("s\r") << 2001 << Core::LineMode::Capture
        << QStringLiteral("old") << true;
    QTest::newRow("State of Fuses sets console mode first, waits 4001 and keeps the surface")
        << int(Fuses) << QByteArray("u\r") << 4001 << Core::LineMode::Console << QString() << false;
}

void TestListings::listingSteps()
{
    QFETCH(int, listing);
    QFETCH(QByteArray, request);
    QFETCH(int, wait);
    QFETCH(Core::LineMode, modeAtStop);
    QFETCH(QString, consoleAtRequest);
    QFETCH(bool, surfaceCleared);

    CoreFixture f;
    f.choosePort(2);
    setLineMode(f.core, Core::LineMode::Capture);
    CoreInsides::setLampColour(f.core, int(kGreen));
    setConsoleText(f.core, QStringLiteral("old"));
    f.markScope();

    QList<Seen> seen;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        seen << Seen{bytes, f.core.lineMode(), f.core.consoleText().text(), scopeBlank(f)};
        if (bytes == request)
            f.comm.receive("L1\rL2\r");
    };
    PassProbe probe(f.comm);
    probe.start();
    choose(f.core, listing);
    probe.stop();

    QCOMPARE(f.comm.log, QStringList({QStringLiteral("open 3"), QStringLiteral("write q\r"),
                                      QStringLiteral("write ") + QString::fromLatin1(request)}));
    QCOMPARE(probe.passesAfterWrite(1), wait);
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[0].lineMode, modeAtStop);
    QCOMPARE(seen[1].lineMode, modeAtStop);
    QCOMPARE(seen[1].console, consoleAtRequest);
    QCOMPARE(seen[1].blank, false); // the scope is cleared only after the request

    QCOMPARE(f.core.portNumber(), 3);
    QCOMPARE(f.comm.portOpen(), true);
    QCOMPARE(f.comm.rThreshold(), 1);
    QCOMPARE(f.comm.inputLen(), 1);
    QCOMPARE(f.comm.nullDiscard(), true);
    QCOMPARE(f.core.lineMode(), Core::LineMode::Console);
    QCOMPARE(f.core.lampColour(), int(kRed));
    QCOMPARE(scopeBlank(f), surfaceCleared);
    QCOMPARE(f.core.consoleText().text(), QString());
    CoreFixture::settle();
    QCOMPARE(f.core.consoleText().text(), QStringLiteral("L1\r\nL2\r\n"));
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestListings::scopeStreamTakenAsSamples_data()
{
    QTest::addColumn<int>("listing");
    QTest::addColumn<QByteArray>("request");

    QTest::newRow("Registers while the scope runs") << int(Registers) << QByteArray("\r");
    QTest::newRow("Special while the scope runs") << int(Special) << QByteArray("s\r");
}

void TestListings::scopeStreamTakenAsSamples()
{
    QFETCH(int, listing);
    QFETCH(QByteArray, request);

    CoreFixture f;
    // The scope runs: port 1 open for blocks.
    f.listen(kCaptureProfile, Core::LineMode::Capture);
    CoreInsides::setLampColour(f.core, int(kGreen));

    // The block in flight when "q" goes out; no zero bytes, which the console profile drops.
    QByteArray block;
    for (int i = 1; i <= kBlockSize; ++i)
        block.append(char(1 + (i * 7) % 255));
    bool plottedBeforeRequest = false;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == "q\r")
            f.comm.receive(block);
        if (bytes == request) {
            plottedBeforeRequest = !scopeBlank(f);
            f.comm.receive("R0=1\r");
        }
    };

    choose(f.core, listing);

    // The dispatcher took the block during the wait: it closed the port and opened it again.
    QCOMPARE(f.comm.log, QStringList({QStringLiteral("close"), QStringLiteral("open 1"),
                                      QStringLiteral("write q\r"), QStringLiteral("close"),
                                      QStringLiteral("open 1"),
                                      QStringLiteral("write ") + QString::fromLatin1(request)}));
    for (int i = 1; i <= kBlockSize; ++i)
        QCOMPARE(f.core.lastBlock().entry[i], std::optional<quint8>(quint8(block[i - 1])));
    QVERIFY(plottedBeforeRequest);
    QVERIFY(scopeBlank(f));
    CoreFixture::settle();
    QCOMPARE(f.core.consoleText().text(), QStringLiteral("R0=1\r\n"));
    QCOMPARE(f.core.lampColour(), int(kRed));
}

void TestListings::fusesWipeOldTextAndStopAnswer()
{
    CoreFixture f;
    setConsoleText(f.core, QStringLiteral("old text\r\n"));
    QString consoleBeforeFuses;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == "q\r")
            f.comm.receive("stopped\r");
        if (bytes == "u\r") {
            consoleBeforeFuses = f.core.consoleText().text();
            f.comm.receive("F=ff\r");
        }
    };

    f.core.fetchListing(Core::Listing::Fuses);
    // The answer to "q" did come in during the wait; it is gone when "u" goes out.
    QCOMPARE(consoleBeforeFuses, QString());
    CoreFixture::settle();

    QCOMPARE(f.core.consoleText().text(), QStringLiteral("F=ff\r\n"));
}

void TestListings::fusesOnPortClosedDuringWait()
{
    CoreFixture f;
    setConsoleText(f.core, QStringLiteral("old"));
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == "q\r")
            closeDuringWait(f.core);
        if (bytes == "u\r")
            f.comm.receive("F=ff\r"); // answered, but the port is closed at once
    };

    f.core.fetchListing(Core::Listing::Fuses);
    CoreFixture::settle();

    QCOMPARE(f.comm.log, QStringList({QStringLiteral("open 1"), QStringLiteral("write q\r"),
                                      QStringLiteral("close"), QStringLiteral("open 1"),
                                      QStringLiteral("write u\r"), QStringLiteral("close")}));
    QCOMPARE(f.comm.portOpen(), false);
    QCOMPARE(f.core.consoleText().text(), QString());
    QVERIFY(f.dialogs.shown.isEmpty());
    QVERIFY(f.shown.formTexts.isEmpty());
}

void TestListings::requestOnPortClosedDuringWait_data()
{
    QTest::addColumn<int>("listing");

    QTest::newRow("Registers writes 8018 on the window") << int(Registers);
    QTest::newRow("Special writes 8018 on the window") << int(Special);
}

void TestListings::requestOnPortClosedDuringWait()
{
    QFETCH(int, listing);

    CoreFixture f;
    setLineMode(f.core, Core::LineMode::Capture);
    setConsoleText(f.core, QStringLiteral("old"));
    f.markScope();
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == "q\r")
            closeDuringWait(f.core);
    };

    choose(f.core, listing);

    QCOMPARE(f.shown.formTexts, QStringList{QStringLiteral(" 8018 ")});
    QVERIFY(f.dialogs.shown.isEmpty());
    QCOMPARE(f.core.portPosition(), 0);
    QCOMPARE(f.comm.writes, QByteArrayList{"q\r"});
    // The handler ended at the failed write: nothing after it ran.
    QCOMPARE(f.core.consoleText().text(), QStringLiteral("old"));
    QCOMPARE(f.core.lineMode(), Core::LineMode::Capture);
    QVERIFY(!scopeBlank(f));
}

void TestListings::noPortChosen_data()
{
    QTest::addColumn<int>("listing");
    QTest::addColumn<Core::LineMode>("modeAfter");

    QTest::newRow("Registers shows the invalid-port message")
        << int(Registers) << Core::LineMode::Capture;
    QTest::newRow("Special shows the invalid-port message")
        << int(Special) << Core::LineMode::Capture;
    QTest::newRow("State of Fuses shows the invalid-port message after setting console mode")
        << int(Fuses) << Core::LineMode::Console;
}

void TestListings::noPortChosen()
{
    QFETCH(int, listing);
    QFETCH(Core::LineMode, modeAfter);

    CoreFixture f;
    f.choosePort(-1);
    setLineMode(f.core, Core::LineMode::Capture);
    CoreInsides::setLampColour(f.core, int(kGreen));
    setConsoleText(f.core, QStringLiteral("old"));

    choose(f.core, listing);

    QCOMPARE(f.dialogs.texts(), QStringList{messagesOf(f.core).msgInvalidPort});
    QCOMPARE(f.core.portPosition(), -1);
    QCOMPARE(f.core.portNumber(), 0);
    QVERIFY(f.comm.writes.isEmpty());
    QCOMPARE(f.core.consoleText().text(), QStringLiteral("old"));
    QCOMPARE(f.core.lampColour(), int(kRed)); // set before the trap
    QCOMPARE(f.core.lineMode(), modeAfter);
}

QTEST_GUILESS_MAIN(TestListings)
#include "tst_listings.moc"
