// The register, special-command and fuse listings: the steps in which they differ, a running
// scope's stream taken as samples during the wait, a port closed by a handler run during the
// wait, and no port chosen.

#include "window/ConsoleView.h"
#include "console/PassProbe.h"
#include "core/link/Link.h"
#include "window/ScopeSurface.h"
#include "support/WindowFixture.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

namespace {
enum Listing { Registers, Special, Fuses };

constexpr QRgb kAnyTrace = 0xFF00FF00;

// Runs a listing as the user does: the two buttons and the menu item.
void choose(Fo& fo, int listing)
{
    switch (listing) {
    case Registers:
        fo.Command1->click();
        break;
    case Special:
        fo.Spec->click();
        break;
    case Fuses:
        fo.SF->trigger();
        break;
    }
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

// The window as seen at the moment of one write.
struct Seen
{
    QByteArray bytes;
    quint8 receiveMode;
    QString console;
    bool blank;
};

// Closes the port from a handler run inside the listing's wait.
void closeDuringWait(Fo& fo)
{
    QMetaObject::invokeMethod(
        &fo, [&fo] { fo.link().closeIfOpen(); }, Qt::QueuedConnection);
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
    QTest::addColumn<quint8>("modeAtStop");
    QTest::addColumn<QString>("consoleAtRequest");
    QTest::addColumn<bool>("surfaceCleared");

    QTest::newRow("Registers sends a lone CR after 2001 passes and then clears everything")
        << int(Registers) << QByteArray("\r") << 2001 << quint8(ModeCapture)
        << QStringLiteral("old") << true;
    QTest::newRow("Special sends s after 2001 passes and then clears everything")
        << int(Special) << QByteArray("s\r") << 2001 << quint8(ModeCapture) << QStringLiteral("old")
        << true;
    QTest::newRow("State of Fuses sets console mode first, waits 4001 and keeps the surface")
        << int(Fuses) << QByteArray("u\r") << 4001 << quint8(ModeConsole) << QString() << false;
}

void TestListings::listingSteps()
{
    QFETCH(int, listing);
    QFETCH(QByteArray, request);
    QFETCH(int, wait);
    QFETCH(quint8, modeAtStop);
    QFETCH(QString, consoleAtRequest);
    QFETCH(bool, surfaceCleared);

    WindowFixture f;
    f.choosePort(2);
    f.fo.state.receiveMode = ModeCapture;
    f.fo.setLampColour(int(kGreen));
    setConsoleText(f.fo.core(), QStringLiteral("old"));
    f.fo.Rajz->line({10, 10}, {300, 300}, kAnyTrace);

    QList<Seen> seen;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        seen << Seen{bytes, f.fo.state.receiveMode, f.fo.Text->text(), surfaceBlank(f.fo)};
        if (bytes == request)
            f.comm.receive("L1\rL2\r");
    };
    PassProbe probe(f.comm);
    probe.start();
    choose(f.fo, listing);
    probe.stop();

    QCOMPARE(f.comm.log, QStringList({QStringLiteral("open 3"), QStringLiteral("write q\r"),
                                      QStringLiteral("write ") + QString::fromLatin1(request)}));
    QCOMPARE(probe.passesAfterWrite(1), wait);
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[0].receiveMode, modeAtStop);
    QCOMPARE(seen[1].receiveMode, modeAtStop);
    QCOMPARE(seen[1].console, consoleAtRequest);
    QCOMPARE(seen[1].blank, false); // the surface is cleared only after the request

    QCOMPARE(int(f.fo.state.portNumber), 3);
    QCOMPARE(f.fo.MSComm.portOpen(), true);
    QCOMPARE(f.fo.MSComm.rThreshold(), 1);
    QCOMPARE(f.fo.MSComm.inputLen(), 1);
    QCOMPARE(f.fo.MSComm.nullDiscard(), true);
    QCOMPARE(f.fo.state.receiveMode, quint8(ModeConsole));
    QCOMPARE(f.fo.lampColour(), int(kRed));
    QCOMPARE(surfaceBlank(f.fo), surfaceCleared);
    QCOMPARE(f.fo.Text->text(), QString());
    WindowFixture::settle();
    QCOMPARE(f.fo.Text->text(), QStringLiteral("L1\r\nL2\r\n"));
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

    WindowFixture f;
    // The scope runs: port 1 open for blocks, receiveMode ModeCapture.
    f.fo.state.portNumber = 1;
    f.fo.link().reopenPort(kCaptureProfile);
    f.fo.state.receiveMode = ModeCapture;
    f.fo.setLampColour(int(kGreen));
    f.comm.log.clear();

    // The block in flight when "q" goes out; no zero bytes, which the console profile drops.
    QByteArray block;
    for (int i = 1; i <= kBlockSize; ++i)
        block.append(char(1 + (i * 7) % 255));
    bool plottedBeforeRequest = false;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == "q\r")
            f.comm.receive(block);
        if (bytes == request) {
            plottedBeforeRequest = !surfaceBlank(f.fo);
            f.comm.receive("R0=1\r");
        }
    };

    choose(f.fo, listing);

    // The dispatcher took the block during the wait: it closed the port and opened it again.
    QCOMPARE(f.comm.log, QStringList({QStringLiteral("close"), QStringLiteral("open 1"),
                                      QStringLiteral("write q\r"), QStringLiteral("close"),
                                      QStringLiteral("open 1"),
                                      QStringLiteral("write ") + QString::fromLatin1(request)}));
    for (int i = 1; i <= kBlockSize; ++i)
        QCOMPARE(f.fo.state.sampleBlock.entry[i], std::optional<quint8>(quint8(block[i - 1])));
    QVERIFY(plottedBeforeRequest);
    QVERIFY(surfaceBlank(f.fo));
    WindowFixture::settle();
    QCOMPARE(f.fo.Text->text(), QStringLiteral("R0=1\r\n"));
    QCOMPARE(f.fo.lampColour(), int(kRed));
}

void TestListings::fusesWipeOldTextAndStopAnswer()
{
    WindowFixture f;
    setConsoleText(f.fo.core(), QStringLiteral("old text\r\n"));
    QString consoleBeforeFuses;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == "q\r")
            f.comm.receive("stopped\r");
        if (bytes == "u\r") {
            consoleBeforeFuses = f.fo.Text->text();
            f.comm.receive("F=ff\r");
        }
    };

    f.fo.SF->trigger();
    // The answer to "q" did come in during the wait; it is gone when "u" goes out.
    QCOMPARE(consoleBeforeFuses, QString());
    WindowFixture::settle();

    QCOMPARE(f.fo.Text->text(), QStringLiteral("F=ff\r\n"));
}

void TestListings::fusesOnPortClosedDuringWait()
{
    WindowFixture f;
    setConsoleText(f.fo.core(), QStringLiteral("old"));
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == "q\r")
            closeDuringWait(f.fo);
        if (bytes == "u\r")
            f.comm.receive("F=ff\r"); // answered, but the port is closed at once
    };

    f.fo.SF->trigger();
    WindowFixture::settle();

    QCOMPARE(f.comm.log, QStringList({QStringLiteral("open 1"), QStringLiteral("write q\r"),
                                      QStringLiteral("close"), QStringLiteral("open 1"),
                                      QStringLiteral("write u\r"), QStringLiteral("close")}));
    QCOMPARE(f.fo.MSComm.portOpen(), false);
    QCOMPARE(f.fo.Text->text(), QString());
    QVERIFY(f.dialogs.shown.isEmpty());
    QVERIFY(f.fo.formTexts().isEmpty());
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

    WindowFixture f;
    f.fo.state.receiveMode = ModeCapture;
    setConsoleText(f.fo.core(), QStringLiteral("old"));
    f.fo.Rajz->line({10, 10}, {300, 300}, kAnyTrace);
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == "q\r")
            closeDuringWait(f.fo);
    };

    choose(f.fo, listing);

    QCOMPARE(f.fo.formTexts(), QStringList{QStringLiteral(" 8018 ")});
    QVERIFY(f.dialogs.shown.isEmpty());
    QCOMPARE(f.fo.Portok->currentIndex(), 0);
    QCOMPARE(f.comm.writes, QByteArrayList{"q\r"});
    // The handler ended at the failed write: nothing after it ran.
    QCOMPARE(f.fo.Text->text(), QStringLiteral("old"));
    QCOMPARE(f.fo.state.receiveMode, quint8(ModeCapture));
    QVERIFY(!surfaceBlank(f.fo));
}

void TestListings::noPortChosen_data()
{
    QTest::addColumn<int>("listing");
    QTest::addColumn<quint8>("modeAfter");

    QTest::newRow("Registers shows the invalid-port message")
        << int(Registers) << quint8(ModeCapture);
    QTest::newRow("Special shows the invalid-port message") << int(Special) << quint8(ModeCapture);
    QTest::newRow("State of Fuses shows the invalid-port message after setting console mode")
        << int(Fuses) << quint8(ModeConsole);
}

void TestListings::noPortChosen()
{
    QFETCH(int, listing);
    QFETCH(quint8, modeAfter);

    WindowFixture f;
    f.choosePort(-1);
    f.fo.state.receiveMode = ModeCapture;
    f.fo.setLampColour(int(kGreen));
    setConsoleText(f.fo.core(), QStringLiteral("old"));

    choose(f.fo, listing);

    QCOMPARE(f.dialogs.texts(), QStringList{f.fo.messages.msgInvalidPort});
    QCOMPARE(f.fo.Portok->currentIndex(), -1);
    QCOMPARE(int(f.fo.state.portNumber), 0);
    QVERIFY(f.comm.writes.isEmpty());
    QCOMPARE(f.fo.Text->text(), QStringLiteral("old"));
    QCOMPARE(f.fo.lampColour(), int(kRed)); // set before the trap
    QCOMPARE(f.fo.state.receiveMode, modeAfter);
}

QTEST_MAIN(TestListings)
#include "tst_listings.moc"
