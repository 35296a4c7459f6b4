// SPDX-License-Identifier: GPL-3.0-or-later
// What a captured block costs: (a) through the receive dispatcher on a port with no device (read,
// close, clear, draw, empty, reopen), and (b) end to end through QSerialPort against the
// simulated chip sending as fast as it is read. Prints figures; never fails on speed.

#include "BenchSupport.h"
#include "core/Dialogs.h"
#include "window/Fo.h"
#include "core/SettingsStore.h"
#include "core/link/ChipCommands.h"
#include "core/link/Comm.h"
#include "core/link/Link.h"
#include "core/link/PortMap.h"
#include "core/link/SerialComm.h"
#include "core/link/SimulatedChip.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>

namespace {

using bench::NoSettings;
using bench::SilentDialogs;
constexpr int kFakeBlocks = 3000;
constexpr int kStreamMs = 3000;
constexpr int kSimPort = 250;
constexpr double kLineRateBlocksPerSecond = 115200.0 / 10 / kBlockSize; // 8N1: 10 bits a byte

// A port with no device: the bench hands it blocks as if from the line.
class BenchComm : public Comm
{
public:
    void feed(const QByteArray& bytes) { bytesArrived(bytes); }

protected:
    void openDevice() override {}
    void closeDevice() override {}
    void writeDevice(const QByteArray&) override {}
};

double cpuSeconds(int who)
{
    rusage usage{};
    ::getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

QString cpuModel()
{
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (!info.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    // Files under /proc report a size of 0, so the whole text is read rather than line by line.
    const QStringList lines = QString::fromLatin1(info.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines)
        if (line.startsWith(QLatin1String("model name")))
            return line.section(QLatin1Char(':'), 1).trimmed();
    return QStringLiteral("unknown");
}

// Starts the capture as the Start button leaves it: capture profile, capture mode, "J1000" sent.
// The window's waits get no time slice, so the figures are the capture cycle's own.
void startCapture(Fo& window)
{
    linkOf(window.core()).setPumpSlice(std::chrono::microseconds(0));
    stateOf(window.core()).portNumber = kSimPort;
    linkOf(window.core()).reopenPort(kCaptureProfile);
    stateOf(window.core()).receiveMode = ModeCapture;
    linkOf(window.core()).sendCommand(ChipCommand::kScopeStart);
}

void benchFakePort()
{
    BenchComm comm;
    SilentDialogs dialogs;
    NoSettings settings;
    Fo window(comm, dialogs, settings);
    int blocks = 0;
    QObject::connect(&comm, &Comm::onComm, &window, [&] { ++blocks; });
    startCapture(window);

    QByteArray block(kBlockSize, 0);
    for (int i = 0; i < kBlockSize; ++i)
        block[i] = char(128 + 100 * ((i / 25) % 2 ? 1 : -1) * (i % 25) / 25);

    const double cpuStart = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kFakeBlocks; ++i) {
        comm.feed(block);
        QCoreApplication::processEvents(); // the queued receive event: one block
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds(RUSAGE_SELF) - cpuStart;
    std::printf("(a) dispatcher on a port with no device, %d blocks (%d handled)\n", kFakeBlocks,
                blocks);
    std::printf("    %.1f us per block (wall), %.1f us CPU per block, drawing included\n",
                seconds * 1e6 / kFakeBlocks, cpu * 1e6 / kFakeBlocks);
}

// kdsp-sim --unpaced on its own pseudo-terminal; stopped when this goes.
class UnpacedChip
{
public:
    UnpacedChip()
    {
        chip_.setProgram(QStringLiteral(KDSP_SIM_PATH));
        if (!chip_.start({QStringLiteral("--unpaced")}))
            std::printf("    the simulated chip did not start: %s\n",
                        qPrintable(chip_.errorString()));
    }
    // Ends the simulator and returns the CPU seconds it used (counted once it has been reaped).
    double stop()
    {
        const double before = cpuSeconds(RUSAGE_CHILDREN);
        chip_.stop();
        return cpuSeconds(RUSAGE_CHILDREN) - before;
    }
    QString path() const { return chip_.devicePath(); }

private:
    SimulatedChip chip_;
};

struct StreamFigures
{
    int blocks = 0;
    double seconds = 0;
    double cpu = 0;    // this program
    double simCpu = 0; // the simulator
};

void printStream(const char* title, const StreamFigures& f)
{
    std::printf("%s\n", title);
    std::printf("    %d blocks in %.1f s: %.0f blocks/s (the line allows %.1f blocks/s)\n",
                f.blocks, f.seconds, f.blocks / f.seconds, kLineRateBlocksPerSecond);
    if (f.blocks > 0)
        std::printf("    %.1f us CPU per block in this program, %.1f us in the simulator\n",
                    f.cpu * 1e6 / f.blocks, f.simCpu * 1e6 / f.blocks);
}

// Runs the event loop for the stream's time and notes what it cost.
StreamFigures runStream(const int& blocks)
{
    StreamFigures f;
    const double cpuStart = cpuSeconds(RUSAGE_SELF);
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer::singleShot(kStreamMs, &loop, &QEventLoop::quit);
    loop.exec();
    f.seconds = clock.nsecsElapsed() / 1e9;
    f.cpu = cpuSeconds(RUSAGE_SELF) - cpuStart;
    f.blocks = blocks;
    return f;
}

// The window's own capture cycle: every block closes the port, draws, and reopens it.
bool benchCaptureCycle()
{
    UnpacedChip sim;
    if (sim.path().isEmpty()) {
        std::printf("(b) the simulated chip did not start (%s)\n", KDSP_SIM_PATH);
        return false;
    }
    PortMap ports;
    ports.setRunOverride(kSimPort, sim.path());
    SerialComm comm(ports);
    SilentDialogs dialogs;
    NoSettings settings;
    Fo window(comm, dialogs, settings);
    int blocks = 0;
    QObject::connect(&comm, &Comm::onComm, &window, [&] { ++blocks; });
    try {
        startCapture(window);
    } catch (const CommError& e) {
        std::printf("(b) the port did not open: %d\n", e.number());
        return false;
    }
    StreamFigures f = runStream(blocks);
    try {
        linkOf(window.core()).sendAndClose(ChipCommand::kStop);
    } catch (const CommError&) {
    }
    f.simCpu = sim.stop();
    printStream(
        "(b) end to end: the window's capture cycle through QSerialPort, kdsp-sim --unpaced", f);
    return true;
}

// The port alone, held open: each receive event takes a block in 300 one-byte reads.
bool benchOpenPort()
{
    UnpacedChip sim;
    if (sim.path().isEmpty())
        return false;
    PortMap ports;
    ports.setRunOverride(kSimPort, sim.path());
    SerialComm comm(ports);
    int blocks = 0;
    QObject::connect(&comm, &Comm::onComm, &comm, [&] {
        for (int k = 0; k < kBlockSize; ++k)
            comm.input();
        ++blocks;
    });
    try {
        comm.setCommPort(kSimPort);
        comm.setRThreshold(kCaptureProfile.threshold);
        comm.setInputLen(kCaptureProfile.readLength);
        comm.setNullDiscard(kCaptureProfile.discardNulls);
        comm.setPortOpen(true);
        comm.output(ChipCommand::kScopeStart + ChipCommand::kCommandEnd);
    } catch (const CommError& e) {
        std::printf("(c) the port did not open: %d\n", e.number());
        return false;
    }
    StreamFigures f = runStream(blocks);
    try {
        comm.output(ChipCommand::kStop + ChipCommand::kCommandEnd);
        comm.setPortOpen(false);
    } catch (const CommError&) {
    }
    f.simCpu = sim.stop();
    printStream("(c) the port held open through QSerialPort, no drawing, kdsp-sim --unpaced", f);
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::printf("capture benchmark on %d cores, %s\n", QThread::idealThreadCount(),
                qPrintable(cpuModel()));
    benchFakePort();
    const bool cycle = benchCaptureCycle();
    const bool open = benchOpenPort();
    return cycle && open ? 0 : 1;
}
