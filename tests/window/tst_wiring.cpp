// SPDX-License-Identifier: GPL-3.0-or-later
// Every control and menu item of the window, fired as the user fires it, against what the chip
// must see: the commands written literally as they go on the line and the counted waits between
// them as plain numbers. A control wired to the wrong handler, a wrong command or a wait one pass
// off shows here as a different transcript.

#include "support/CoreInsides.h"
#include "support/WindowFixture.h"
#include "window/CommandLine.h"
#include "window/ScopeSurface.h"

#include <QAction>
#include <QApplication>
#include <QMetaObject>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <functional>

namespace {

// What the user did to the window.
using Act = std::function<void(Fo&)>;

// The line's side of a handler, one entry per step: "J1100\r" for a write, "wait 601" for the
// passes of the event loop between two writes (or after the last), "save <filter>" and
// "open <filter>" for the file dialogs, "box <text>" for a message box.
class Transcript
{
public:
    explicit Transcript(WindowFixture& f) : f_(f)
    {
        f.comm.onWrite = [this](const QByteArray& bytes) {
            closeWait();
            steps_ << QString::fromLatin1(bytes);
            writing_ = true;
        };
    }

    QStringList record(const Act& act)
    {
        counting_ = true;
        tick();
        act(f_.fo);
        closeWait();
        counting_ = false;
        WindowFixture::settle();
        for (const ScriptedDialogs::FileDialog& d : f_.dialogs.fileDialogs)
            steps_ << (d.save ? QStringLiteral("save ") : QStringLiteral("open ")) + d.filter;
        for (const ScriptedDialogs::Shown& shown : f_.dialogs.shown)
            steps_ << QStringLiteral("box ") + shown.text.section(QStringLiteral("\r\n"), 0, 0);
        return steps_;
    }

private:
    // One call a pass: a queued call that posts itself again runs once in each pass, since a
    // pass does not deliver the calls posted while it runs.
    void tick()
    {
        QMetaObject::invokeMethod(
            &context_,
            [this] {
                if (!counting_)
                    return;
                ++passes_;
                tick();
            },
            Qt::QueuedConnection);
    }
    // The passes since the last write are its wait; passes before the first write are none of
    // the handler's.
    void closeWait()
    {
        if (writing_ && passes_ > 0)
            steps_ << QStringLiteral("wait %1").arg(passes_);
        passes_ = 0;
    }

    WindowFixture& f_;
    QObject context_;
    QStringList steps_;
    int passes_ = 0;
    bool counting_ = false;
    bool writing_ = false;
};

Act click(QPushButton* Fo::*button)
{
    return [button](Fo& fo) { QTest::mouseClick(fo.*button, Qt::LeftButton); };
}
Act trigger(QAction* Fo::*item)
{
    return [item](Fo& fo) { (fo.*item)->trigger(); };
}
Act enter(const QString& typed)
{
    return [typed](Fo& fo) {
        fo.Command->setText(typed);
        QTest::keyClick(fo.Command, Qt::Key_Return);
    };
}

// The register listing that every option item runs first.
const QStringList kRegisters = {"q\r", "wait 2001", "\r"};
QStringList option(const char* command)
{
    return kRegisters + QStringList{"wait 1001", QString::fromLatin1(command) + "\r"};
}

} // namespace

class TestWiring : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void eachControlRunsItsOwnSequence_data();
    void eachControlRunsItsOwnSequence();
    void eachColourOptionChoosesItsColour();
};

void TestWiring::eachControlRunsItsOwnSequence_data()
{
    QTest::addColumn<Act>("act");
    QTest::addColumn<QStringList>("steps");
    const QStringList start = {"J1100\r", "wait 601", "J1000\r"};

    QTest::newRow("Start asks for the timing, waits 601 passes, starts the blocks")
        << click(&Fo::Be) << start;
    QTest::newRow("Triger on waits 601 passes more and switches the trigger on")
        << click(&Fo::Triger_be) << start + QStringList{"wait 601", "J1001\r"};
    QTest::newRow("Triger off waits 601 passes more and switches the trigger off")
        << click(&Fo::Triger_ki) << start + QStringList{"wait 601", "J1002\r"};
    QTest::newRow("Stop stops the blocks") << click(&Fo::Ki) << QStringList{"q\r"};
    QTest::newRow("a left click on the scope stops the blocks")
        << Act([](Fo& fo) {
               QTest::mouseClick(fo.Rajz, Qt::LeftButton, {}, QPoint(100, 100));
           })
        << QStringList{"q\r"};
    QTest::newRow("Detect stops, waits 2001, asks for the timing and waits 401")
        << click(&Fo::PID) << QStringList{"q\r", "wait 2001", "J1100\r", "wait 401"};

    QTest::newRow("Registers stops, waits 2001 and sends a lone carriage return")
        << click(&Fo::Command1) << kRegisters;
    QTest::newRow("Special stops, waits 2001 and sends s")
        << click(&Fo::Spec) << QStringList{"q\r", "wait 2001", "s\r"};
    QTest::newRow("State of Fuses stops, waits 4001 and sends u")
        << trigger(&Fo::SF) << QStringList{"q\r", "wait 4001", "u\r"};
    QTest::newRow("Enter sends the typed line") << enter("Kp 40") << QStringList{"Kp 40\r"};
    QTest::newRow("Enter on an empty line sends a lone carriage return")
        << enter(QString()) << QStringList{"\r"};
    QTest::newRow("clicking into the command line stops the blocks")
        << Act([](Fo& fo) {
               fo.show();
               QApplication::setActiveWindow(&fo);
               QVERIFY(QTest::qWaitForWindowActive(&fo));
               fo.Command->setFocus(Qt::MouseFocusReason);
           })
        << QStringList{"q\r"};

    QTest::newRow("Thermo protection on 100 sends J1021") << trigger(&Fo::TP100) << option("J1021");
    QTest::newRow("Thermo protection on 80 sends J1022") << trigger(&Fo::TP80) << option("J1022");
    QTest::newRow("Thermo protection on 60 sends J1023") << trigger(&Fo::TP60) << option("J1023");
    QTest::newRow("Motor protection off sends J1024") << trigger(&Fo::MPoff) << option("J1024");
    QTest::newRow("Soft limit with Fault signal sends J1025") << trigger(&Fo::SLF) << option("J1025");
    QTest::newRow("Soft limit without Fault signal sends J1026")
        << trigger(&Fo::SLF_off) << option("J1026");
    QTest::newRow("PWM is DC Mode sends J1027") << trigger(&Fo::DCM) << option("J1027");
    QTest::newRow("PWM is AC Mode sends J1028") << trigger(&Fo::ACM) << option("J1028");

    // The file dialogs are cancelled: only which dialog opened with which filter shows.
    QTest::newRow("the scope's Save asks where to save a bitmap")
        << click(&Fo::Mentes)
        << QStringList{"save Rurodudod Bitmap (*.bmp)|*.bmp|Minden File (*.*)|*.*"};
    QTest::newRow("the scope's Load asks for a picture")
        << click(&Fo::Betolt)
        << QStringList{"open Rurodudod bitmap (*.bmp)|*.bmp|Minden File (*.*)|*.*"};
    QTest::newRow("the console's Save asks where to save a setup file")
        << click(&Fo::Ment) << QStringList{"save Setup txt (*.txt)|*.txt|Minden File (*.*)|*.*"};
    QTest::newRow("About shows the versioned title")
        << trigger(&Fo::AS) << QStringList{"box Kestrum Trevalon V 1. 2. 1"};
}

void TestWiring::eachControlRunsItsOwnSequence()
{
    QFETCH(Act, act);
    QFETCH(QStringList, steps);
    WindowFixture f;
    Transcript transcript(f);

    QCOMPARE(transcript.record(act), steps);
}

void TestWiring::eachColourOptionChoosesItsColour()
{
    // 0x00BBGGRR: yellow, red, black, magenta.
    const int colours[] = {65535, 255, 0, 16711935};
    WindowFixture f;
    for (int i : {3, 0, 1, 2}) {
        QTest::mouseClick(f.fo.Szin(i), Qt::LeftButton);
        QCOMPARE(f.fo.core().traceColour(), colours[i]);
    }
}

QTEST_MAIN(TestWiring)
#include "tst_wiring.moc"
