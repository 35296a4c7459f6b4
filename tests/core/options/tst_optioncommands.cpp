// SPDX-License-Identifier: GPL-3.0-or-later
// The chip option items: the register listing first, then the option command, with the counted
// waits between the three writes; the doubled port message with no port chosen; an item chosen
// inside another item's wait. Which menu caption runs which item is checked with the window
// (tests/window/tst_consolewiring.cpp).

#include "core/console/PassProbe.h"
#include "core/link/Link.h"
#include "support/CoreFixture.h"

#include <QTest>

namespace {
// The waits the chip is given: after "q" for its stream to stop, after the listing request for
// the listing to arrive.
constexpr int kListingWait = 2001;
constexpr int kOptionWait = 1001;
} // namespace

class TestOptionCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void itemSendsListingThenCommand_data();
    void itemSendsListingThenCommand();
    void noPortShowsMessageTwiceAndSendsNothing();
    void itemChosenInsideWaitGoesFirst_data();
    void itemChosenInsideWaitGoesFirst();
};

void TestOptionCommands::itemSendsListingThenCommand_data()
{
    QTest::addColumn<Core::ChipOption>("option");
    QTest::addColumn<QByteArray>("command");

    QTest::newRow("thermo protection on 100 degrees sends J1021")
        << Core::ChipOption::Thermo100 << QByteArray("J1021");
    QTest::newRow("thermo protection on 80 degrees sends J1022")
        << Core::ChipOption::Thermo80 << QByteArray("J1022");
    QTest::newRow("thermo protection on 60 degrees sends J1023")
        << Core::ChipOption::Thermo60 << QByteArray("J1023");
    QTest::newRow("motor protection off sends J1024")
        << Core::ChipOption::MotorProtectionOff << QByteArray("J1024");
    QTest::newRow("soft limit with fault signal sends J1025")
        << Core::ChipOption::SoftLimitWithFault << QByteArray("J1025");
    QTest::newRow("soft limit without fault signal sends J1026")
        << Core::ChipOption::SoftLimitWithoutFault << QByteArray("J1026");
    QTest::newRow("PWM DC mode sends J1027") << Core::ChipOption::PwmDcMode << QByteArray("J1027");
    QTest::newRow("PWM AC mode sends J1028") << Core::ChipOption::PwmAcMode << QByteArray("J1028");
}

void TestOptionCommands::itemSendsListingThenCommand()
{
    QFETCH(Core::ChipOption, option);
    QFETCH(QByteArray, command);

    CoreFixture f;
    // The scope is running: port open for blocks, a trace on the scope, old console text.
    f.listen(kCaptureProfile, Core::LineMode::Capture);
    f.markScope();
    setConsoleText(f.core, QStringLiteral("old"));

    // The chip answers every command; the answer to "q" must not survive the listing.
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == "q\r")
            f.comm.receive("stopped\r");
        else if (bytes == "\r")
            f.comm.receive("R0=12\r");
        else
            f.comm.receive("ok\r");
    };
    PassProbe probe(f.comm);
    probe.start();
    f.core.switchOption(option);
    probe.stop();

    QCOMPARE(f.comm.log, QStringList({QStringLiteral("close"), QStringLiteral("open 1"),
                                      QStringLiteral("write q\r"), QStringLiteral("write \r"),
                                      QStringLiteral("write ") + QString::fromLatin1(command) +
                                          QStringLiteral("\r")}));
    // The probe runs once per pass of the event loop, so it sees each counted wait whole.
    QCOMPARE(probe.passesAfterWrite(1), kListingWait);
    QCOMPARE(probe.passesAfterWrite(2), kOptionWait);
    QCOMPARE(f.comm.portOpen(), true);
    QCOMPARE(f.comm.rThreshold(), kConsoleProfile.threshold);
    QCOMPARE(f.core.lineMode(), Core::LineMode::Console);
    QCOMPARE(f.core.lampColour(), int(kRed));
    QVERIFY(!f.shown.scopeDrawn);
    CoreFixture::settle();
    QCOMPARE(f.core.consoleText().text(), QStringLiteral("R0=12\r\nok\r\n"));
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestOptionCommands::noPortShowsMessageTwiceAndSendsNothing()
{
    CoreFixture f;
    f.choosePort(-1);
    setConsoleText(f.core, QStringLiteral("kept"));

    f.core.switchOption(Core::ChipOption::Thermo60);

    QCOMPARE(f.dialogs.texts(),
             QStringList({messagesOf(f.core).msgInvalidPort, messagesOf(f.core).msgInvalidPort}));
    QVERIFY(f.comm.writes.isEmpty());
    QCOMPARE(f.core.portPosition(), -1);
    QCOMPARE(f.core.consoleText().text(), QStringLiteral("kept"));
}

void TestOptionCommands::itemChosenInsideWaitGoesFirst_data()
{
    QTest::addColumn<QByteArray>("chooseAfter");
    QTest::addColumn<QByteArrayList>("expected");

    QTest::newRow("chosen while the listing waits after q")
        << QByteArray("q\r") << QByteArrayList{"q\r", "q\r", "\r", "J1022\r", "\r", "J1021\r"};
    QTest::newRow("chosen while the option waits after the listing request")
        << QByteArray("\r") << QByteArrayList{"q\r", "\r", "q\r", "\r", "J1022\r", "J1021\r"};
}

void TestOptionCommands::itemChosenInsideWaitGoesFirst()
{
    QFETCH(QByteArray, chooseAfter);
    QFETCH(QByteArrayList, expected);

    CoreFixture f;
    bool chosen = false;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (chosen || bytes != chooseAfter)
            return;
        chosen = true;
        // The user picks another item from the menu while the first one waits.
        QMetaObject::invokeMethod(
            &f.core, [&] { f.core.switchOption(Core::ChipOption::Thermo80); },
            Qt::QueuedConnection);
    };

    f.core.switchOption(Core::ChipOption::Thermo100);

    QCOMPARE(f.comm.writes, expected);
    QCOMPARE(f.comm.portOpen(), true);
    QVERIFY(f.dialogs.shown.isEmpty());
}

QTEST_GUILESS_MAIN(TestOptionCommands)
#include "tst_optioncommands.moc"
