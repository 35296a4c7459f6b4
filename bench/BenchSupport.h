// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the streaming benchmarks share: CPU and memory readings of this process, a count option,
// dialogs and settings that stay out of the way, and the real window on the real serial port
// reaching a simulated chip through a port number mapped for the run.

#include "core/Dialogs.h"
#include "core/SettingsStore.h"
#include "core/journal/Journal.h"
#include "core/link/Comm.h"
#include "core/link/PortMap.h"
#include "core/link/SerialComm.h"
#include "core/link/SimulatedChip.h"
#include "core/runs/RunCutter.h"
#include "support/CoreInsides.h"
#include "window/Fo.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace bench {

// The line's pace: 115200 baud, 8N1, ten bits a character.
constexpr double kLineCharsPerSecond = 115200.0 / 10;
constexpr double kLineBlocksPerSecond = kLineCharsPerSecond / kBlockSize;
constexpr double kPercent = 100.0;
constexpr double kKiBPerMiB = 1024.0;

// CPU seconds (user + system) of this process (RUSAGE_SELF) or of its reaped children.
inline double cpuSeconds(int who = RUSAGE_SELF)
{
    rusage usage{};
    ::getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// VmRSS of this process in KiB, from /proc/self/status (-1 if it cannot be read).
inline long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    // Files under /proc report a size of 0, so the whole text is read at once.
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray& line : lines)
        if (line.startsWith("VmRSS:"))
            return line.mid(static_cast<qsizetype>(std::strlen("VmRSS:")))
                .trimmed()
                .split(' ')
                .value(0)
                .toLong();
    return -1;
}

// "--name VALUE" or "--name=VALUE" from the command line; the fallback when absent.
inline QString stringOption(int argc, char** argv, const char* name, const QString& fallback = {})
{
    const std::size_t length = std::strlen(name);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0 && i + 1 < argc)
            return QString::fromLocal8Bit(argv[i + 1]);
        if (std::strncmp(argv[i], name, length) == 0 && argv[i][length] == '=')
            return QString::fromLocal8Bit(argv[i] + length + 1);
    }
    return fallback;
}

// "--name" alone on the command line.
inline bool hasOption(int argc, char** argv, const char* name)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0)
            return true;
    }
    return false;
}

// "--journal DIR": the runs cut and kept in a journal in DIR, as the window does; nothing
// without it.
struct JournalOption
{
    std::unique_ptr<RunCutter> runs;
    std::unique_ptr<Journal> journal;

    JournalOption(int argc, char** argv, Core& core)
    {
        const QString folder = stringOption(argc, argv, "--journal");
        if (folder.isEmpty())
            return;
        runs = std::make_unique<RunCutter>(core);
        journal =
            std::make_unique<Journal>(*runs, folder, Journal::kDefaultCapMB * Journal::kBytesPerMB);
    }
};

// "--name N" or "--name=N" from the command line; the fallback when absent or not a number.
inline int intOption(int argc, char** argv, const char* name, int fallback)
{
    bool ok = false;
    const int parsed = stringOption(argc, argv, name).toInt(&ok);
    return ok && parsed > 0 ? parsed : fallback;
}

// CPU seconds (user + system) another process has used so far, from /proc/PID/stat; -1 if it
// cannot be read. For the display server's share of a stream's cost.
inline double processCpuSeconds(long pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return -1;
    // After the command name, which ends with ')', utime and stime are the 12th and 13th fields.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) /
           static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// What a stream cost over a measured stretch: this process's CPU, and the display server's when
// its process id was given with --x-server-pid. Prints the figures, and one summary line that
// scripts/bench gathers into its table.
class StreamCost
{
public:
    StreamCost(int argc, char** argv)
        : xServer_(stringOption(argc, argv, "--x-server-pid").toLong())
    {
    }

    void start()
    {
        cpu_ = cpuSeconds();
        xCpu_ = processCpuSeconds(xServer_);
        clock_.start();
    }

    void stop()
    {
        wall_ = clock_.nsecsElapsed() / 1e9;
        cpu_ = cpuSeconds() - cpu_;
        const double x = processCpuSeconds(xServer_);
        xCpu_ = x >= 0 && xCpu_ >= 0 ? x - xCpu_ : -1;
    }

    double wall() const { return wall_; }
    double cpu() const { return cpu_; }
    double percent() const { return cpu_ / wall_ * kPercent; }

    // `what` names the figure in the summary line, e.g. "scope 1ms"; a target of 0 is none.
    void print(const char* what, double targetPercent) const
    {
        // Kept alive while printed: the pointer into a temporary's bytes dangled.
        const QByteArray platformName = qgetenv("QT_QPA_PLATFORM");
        const char* platform = platformName.isEmpty() ? "default" : platformName.constData();
        std::printf("  CPU of this process: %.2f s = %.2f %% of one core", cpu_, percent());
        if (targetPercent > 0)
            std::printf(" (target under %.1f %%)", targetPercent);
        std::printf("\n");
        if (xCpu_ >= 0)
            std::printf("  CPU of the display server: %.2f s, %.2f s per 30 s\n", xCpu_,
                        xCpu_ / wall_ * 30);
        std::printf("result: %s platform=%s program=%.2f%% x_per_30s=%s\n", what, platform,
                    percent(),
                    xCpu_ >= 0 ? qPrintable(QString::number(xCpu_ / wall_ * 30, 'f', 2)) : "-");
    }

private:
    long xServer_;
    QElapsedTimer clock_;
    double wall_ = 0;
    double cpu_ = 0;
    double xCpu_ = -1;
};

// Runs the event loop for the given time.
inline void runFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

class SilentDialogs : public Dialogs
{
public:
    MsgAnswer message(const QString& text, MsgIcon, MsgButtons) override
    {
        std::printf("  (message box: %s)\n", qPrintable(text));
        return MsgAnswer::Ok;
    }
    std::optional<QString> saveFileName(const QString&, const QString&) override { return {}; }
    std::optional<QString> openFileName(const QString&, const QString&) override { return {}; }
};

// Keeps the user's settings file out of the bench.
class NoSettings : public SettingsStore
{
public:
    QString getSetting(const QString&, const QString&, const QString&,
                       const QString& defaultValue) const override
    {
        return defaultValue;
    }
    void saveSetting(const QString&, const QString&, const QString&, const QString&) override {}
};

// The program's window, shown (offscreen under QT_QPA_PLATFORM=offscreen), on its real serial
// port; the port chosen in the list reaches `device`. Counts the blocks the dispatcher takes.
class WindowOnDevice
{
public:
    // List position 0 is port number 1.
    static constexpr int kListPosition = 0;
    static constexpr int kPortNumber = kListPosition + 1;

    explicit WindowOnDevice(const QString& device)
        : comm_(ports_), window_(comm_, dialogs_, settings_)
    {
        ports_.setRunOverride(kPortNumber, device);
        window_.Portok->setCurrentIndex(kListPosition);
        // Connected after the window's own wiring, so it runs once the dispatcher is done.
        QObject::connect(&comm_, &Comm::onComm, &window_, [this] {
            if (comm_.commEvent() == Comm::kEvReceive &&
                stateOf(window_.core()).receiveMode == ModeCapture)
                ++blocks_;
        });
        window_.show();
        QCoreApplication::processEvents();
    }

    Fo& window() { return window_; }
    Comm& comm() { return comm_; }
    const SerialComm& serial() const { return comm_; }
    long blocks() const { return blocks_; }

private:
    PortMap ports_;
    SerialComm comm_;
    SilentDialogs dialogs_;
    NoSettings settings_;
    Fo window_;
    long blocks_ = 0;
};

// Counts the paint events a widget receives, to tell how often a stream repaints it.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }
    long paints() const { return paints_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints_;
        return QObject::eventFilter(watched, event);
    }

private:
    long paints_ = 0;
};

// The simulator's arguments for a paced stream in chunks of --chunk-ms MS (none: whole blocks).
inline QStringList chunkArguments(int argc, char** argv)
{
    const QString chunk = stringOption(argc, argv, "--chunk-ms");
    return chunk.isEmpty() ? QStringList{} : QStringList{QStringLiteral("--chunk-ms"), chunk};
}

// kdsp-sim on its own pseudo-terminal, paced at the line rate unless told otherwise.
inline std::unique_ptr<SimulatedChip> startChip(const QStringList& arguments = {})
{
    auto chip = std::make_unique<SimulatedChip>();
    chip->setProgram(QStringLiteral(KDSP_SIM_PATH));
    if (!chip->start(arguments)) {
        std::printf("the simulated chip did not start (%s): %s\n", KDSP_SIM_PATH,
                    qPrintable(chip->errorString()));
        return nullptr;
    }
    return chip;
}

// The offscreen platform unless one is chosen, and the user's settings and data folders moved
// to a temporary folder of the run's own (removed at exit), so no benchmark reads or writes the
// user's own settings or journal of runs.
inline void prepareApplication()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
}

} // namespace bench
