// What console text costs at the line's full pace: the program's own window (offscreen) on its
// real serial port in console mode (Enter on the command line), reaching a pseudo-terminal that
// this bench opens itself; a child process writes listing-like text into it at 11,520
// characters a second (115200 baud, 8N1) for a minute. Prints the CPU this process used as a
// share of one core; the target is under 2 %. Never fails on speed.
//
//   bench_console_stream [--seconds N]     (default 60)

#include "BenchSupport.h"

#include "PseudoTerminal.h"

#include "window/CommandLine.h"
#include "core/console/Console.h"
#include "window/ConsoleView.h"

#include <QApplication>

#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {
constexpr int kDefaultSeconds = 60;
constexpr int kMsPerSecond = 1000;
constexpr double kTargetPercent = 2.0;
constexpr long kNsPerSecond = 1'000'000'000L;
// The writer tops the line up to its pace this often.
constexpr long kWriterTickNs = 10'000'000L;
// A line of a register listing, ended CR LF as the chip ends its lines.
constexpr std::string_view kLine = "  R17  Position loop gain ............ 0x01F4   500\r\n";

double secondsOf(const timespec& t)
{
    return t.tv_sec + t.tv_nsec / 1e9;
}

// The chip's side: after the go byte, writes text at the line's pace until killed. Counts on
// async-signal-safe calls only; it is forked before the application starts any thread.
[[noreturn]] void writeAtLineRate(int master, int goPipe)
{
    char go = 0;
    if (::read(goPipe, &go, 1) != 1)
        ::_exit(0);
    std::string text;
    while (text.size() < 2 * kLine.size() * 64)
        text += kLine;
    timespec start{};
    ::clock_gettime(CLOCK_MONOTONIC, &start);
    timespec next = start;
    double written = 0;
    std::size_t offset = 0;
    for (;;) {
        next.tv_nsec += kWriterTickNs;
        if (next.tv_nsec >= kNsPerSecond) {
            next.tv_nsec -= kNsPerSecond;
            ++next.tv_sec;
        }
        ::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        const double due = (secondsOf(next) - secondsOf(start)) * bench::kLineCharsPerSecond;
        while (written + 1 <= due) {
            const std::size_t count =
                std::min<std::size_t>(static_cast<std::size_t>(due - written), text.size() / 2);
            const ssize_t n = ::write(master, text.data() + offset, count);
            if (n <= 0)
                break; // the reader is behind (EAGAIN): try again next tick
            written += n;
            offset = (offset + static_cast<std::size_t>(n)) % kLine.size();
        }
    }
}
} // namespace

int main(int argc, char** argv)
{
    const int seconds = bench::intOption(argc, argv, "--seconds", kDefaultSeconds);
    kdsp::PseudoTerminal pty;
    int goPipe[2];
    if (::pipe(goPipe) != 0)
        return 1;
    const pid_t writer = ::fork();
    if (writer < 0)
        return 1;
    if (writer == 0) {
        ::close(goPipe[1]);
        writeAtLineRate(pty.masterFd(), goPipe[0]);
    }
    ::close(goPipe[0]);

    bench::prepareApplication();
    QApplication app(argc, argv);
    bench::WindowOnDevice setup(QString::fromStdString(pty.slavePath()));
    Fo& fo = setup.window();
    const auto* paints = new bench::PaintCounter(fo.Text->viewport());
    long events = 0;
    QObject::connect(&setup.comm(), &Comm::onComm, &fo, [&] {
        if (setup.comm().commEvent() == Comm::kEvReceive && fo.state.receiveMode == ModeConsole)
            ++events;
    });
    // Enter on an empty command line: the console is emptied, the port opened for text.
    fo.console().Command_KeyPress(Console::kEnterKey, fo.Command->text());
    if (!setup.comm().portOpen() || fo.state.receiveMode != ModeConsole) {
        std::printf("the console did not open the port\n");
        ::kill(writer, SIGKILL);
        return 1;
    }
    const qsizetype heldBefore = fo.Text->length();
    const long paintsBefore = paints->paints();

    const double cpuBefore = bench::cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    if (::write(goPipe[1], "g", 1) != 1)
        return 1;
    bench::runFor(seconds * kMsPerSecond);
    const double wall = clock.nsecsElapsed() / 1e9;
    const double cpu = bench::cpuSeconds() - cpuBefore;
    ::kill(writer, SIGTERM);
    ::waitpid(writer, nullptr, 0);

    const qsizetype held = fo.Text->length() - heldBefore;
    std::printf("console at the line rate: the window offscreen on its serial port, a pty "
                "written at %.0f characters/s\n",
                bench::kLineCharsPerSecond);
    std::printf("  %.1f s: %ld characters taken, %.0f per second; the console holds %lld more "
                "characters\n",
                wall, events, events / wall, static_cast<long long>(held));
    const long repaints = paints->paints() - paintsBefore;
    std::printf("  the console was repainted %ld times (%.0f/s)\n", repaints, repaints / wall);
    std::printf("  CPU of this process: %.2f s = %.2f %% of one core (target under %.0f %%)\n", cpu,
                cpu / wall * bench::kPercent, kTargetPercent);
    if (events > 0)
        std::printf("  %.2f us CPU per character\n", cpu * 1e6 / events);
    return 0;
}
