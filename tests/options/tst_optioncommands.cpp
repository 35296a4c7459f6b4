// The chip option items: the register listing first, then the option command, with the counted
// waits between the three writes; the doubled port message with no port chosen; an item chosen
// inside another item's wait.

#include "window/ConsoleView.h"
#include "console/PassProbe.h"
#include "core/link/Link.h"
#include "core/options/OptionCommands.h"
#include "window/ScopeSurface.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QTest>

namespace {
constexpr int kAnyTrace = 0xFF00FF00;
// The waits the chip is given: after "q" for its stream to stop, after the listing request for
// the listing to arrive.
constexpr int kListingWait = 2001;
constexpr int kOptionWait = 1001;

QAction* menuItem(Fo& fo, const QString& caption)
{
    for (QAction* action : fo.SC->actions())
        if (action->text() == caption)
            return action;
    return nullptr;
}

bool surfaceBlank(Fo& fo)
{
    const QImage& layer = fo.Rajz->picture().drawingLayer();
    for (int y = 0; y < layer.height(); ++y)
        for (int x = 0; x < layer.width(); ++x)
            if (qAlpha(layer.pixel(x, y)) != 0)
                return false;
    return true;
}
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
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QByteArray>("command");

    QTest::newRow("thermo protection on 100 degrees sends J1021")
        << QStringLiteral("Thermo protection on 100\u00B0C") << QByteArray("J1021");
    QTest::newRow("thermo protection on 80 degrees sends J1022")
        << QStringLiteral("Thermo protection on 80\u00B0C") << QByteArray("J1022");
    QTest::newRow("thermo protection on 60 degrees sends J1023")
        << QStringLiteral("Thermo protection on 60\u00B0C (default)") << QByteArray("J1023");
    QTest::newRow("motor protection off sends J1024")
        << QStringLiteral("Motor protection off (Temporary)") << QByteArray("J1024");
    QTest::newRow("soft limit with fault signal sends J1025")
        << QStringLiteral("Soft limit with Fault signal (default)") << QByteArray("J1025");
    QTest::newRow("soft limit without fault signal sends J1026")
        << QStringLiteral("Soft limit without Fault signal") << QByteArray("J1026");
    QTest::newRow("PWM DC mode sends J1027")
        << QStringLiteral("PWM is DC Mode (default)") << QByteArray("J1027");
    QTest::newRow("PWM AC mode sends J1028")
        << QStringLiteral("PWM is AC Mode") << QByteArray("J1028");
}

void TestOptionCommands::itemSendsListingThenCommand()
{
    QFETCH(QString, caption);
    QFETCH(QByteArray, command);

    WindowFixture f;
    // The scope is running: port open for blocks, trace on the surface, old console text.
    f.fo.state.portNumber = 1;
    f.fo.link().reopenPort(kCaptureProfile);
    f.fo.state.receiveMode = ModeCapture;
    f.fo.Rajz->line({10, 10}, {200, 200}, kAnyTrace);
    setConsoleText(f.fo.core(), QStringLiteral("old"));
    f.comm.log.clear();

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
    QAction* item = menuItem(f.fo, caption);
    QVERIFY2(item, qPrintable(caption));
    item->trigger();
    probe.stop();

    QCOMPARE(f.comm.log, QStringList({QStringLiteral("close"), QStringLiteral("open 1"),
                                      QStringLiteral("write q\r"), QStringLiteral("write \r"),
                                      QStringLiteral("write ") + QString::fromLatin1(command) +
                                          QStringLiteral("\r")}));
    // The probe runs once per pass of the event loop, so it sees each counted wait whole.
    QCOMPARE(probe.passesAfterWrite(1), kListingWait);
    QCOMPARE(probe.passesAfterWrite(2), kOptionWait);
    QCOMPARE(f.fo.MSComm.portOpen(), true);
    QCOMPARE(f.fo.MSComm.rThreshold(), kConsoleProfile.threshold);
    QCOMPARE(f.fo.state.receiveMode, quint8(ModeConsole));
    QCOMPARE(f.fo.lampColour(), int(kRed));
    QVERIFY(surfaceBlank(f.fo));
    WindowFixture::settle();
    QCOMPARE(f.fo.Text->text(), QStringLiteral("R0=12\r\nok\r\n"));
    QVERIFY(f.dialogs.shown.isEmpty());
}

void TestOptionCommands::noPortShowsMessageTwiceAndSendsNothing()
{
    WindowFixture f;
    f.choosePort(-1);
    setConsoleText(f.fo.core(), QStringLiteral("kept"));

    f.fo.options().TP60_Click();

    QCOMPARE(f.dialogs.texts(),
             QStringList({f.fo.messages.msgInvalidPort, f.fo.messages.msgInvalidPort}));
    QVERIFY(f.comm.writes.isEmpty());
    QCOMPARE(f.fo.Portok->currentIndex(), -1);
    QCOMPARE(f.fo.Text->text(), QStringLiteral("kept"));
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

    WindowFixture f;
    bool chosen = false;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (chosen || bytes != chooseAfter)
            return;
        chosen = true;
        // The user picks another item from the menu while the first one waits.
        QMetaObject::invokeMethod(
            &f.fo, [&] { f.fo.TP80->trigger(); }, Qt::QueuedConnection);
    };

    f.fo.TP100->trigger();

    QCOMPARE(f.comm.writes, expected);
    QCOMPARE(f.fo.MSComm.portOpen(), true);
    QVERIFY(f.dialogs.shown.isEmpty());
}

QTEST_MAIN(TestOptionCommands)
#include "tst_optioncommands.moc"
