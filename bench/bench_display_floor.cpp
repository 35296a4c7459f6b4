// What a repaint rate costs before any of the program's work: a bare widget the size of the scope
// picture, woken by a timer at the scope's block rate (38.4 a second) or the console's repaint
// tick (25 a second), repainting two rows each time or nothing at all. Run it on the display
// the line-rate figures are taken on: the difference between the two is what the toolkit and the
// display path cost per repaint, a floor under the scope's and the console's figures. Never
// fails on speed.
//
//   bench_display_floor [--seconds N] [--x-server-pid PID]

#include "BenchSupport.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include <cmath>

namespace {
constexpr int kDefaultSeconds = 20;
constexpr int kMsPerSecond = 1000;
constexpr double kConsoleRepaintsPerSecond = 25.0;
constexpr int kRowsRepainted = 2;

class Surface : public QWidget
{
public:
    Surface() { resize(600, 512); }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter.fillRect(event->rect(), (++paints_ % 2) != 0 ? Qt::darkBlue : Qt::black);
    }

private:
    long paints_ = 0;
};

// One stretch: a timer at `perSecond`, repainting or not; prints the figures and a result line.
void measure(int argc, char** argv, Surface& surface, double perSecond, bool repaint)
{
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, &surface, [&surface, repaint] {
        if (repaint)
            surface.repaint(0, 0, surface.width(), kRowsRepainted);
    });
    tick.start(static_cast<int>(std::lround(kMsPerSecond / perSecond)));
    bench::StreamCost cost(argc, argv);
    cost.start();
    bench::runFor(bench::intOption(argc, argv, "--seconds", kDefaultSeconds) * kMsPerSecond);
    cost.stop();
    std::printf("a bare widget woken %.1f times a second, %s\n", perSecond,
                repaint ? "repainting two rows each time" : "repainting nothing");
    const QByteArray what = QByteArray("floor ") + (repaint ? "repaint " : "timer ") +
                            QByteArray::number(perSecond, 'f', 1) + "/s";
    cost.print(what.constData(), 0);
}
} // namespace

int main(int argc, char** argv)
{
    bench::prepareApplication();
    QApplication app(argc, argv);
    Surface surface;
    surface.show();
    bench::runFor(kMsPerSecond); // past the first show
    measure(argc, argv, surface, bench::kLineBlocksPerSecond, false);
    measure(argc, argv, surface, bench::kLineBlocksPerSecond, true);
    measure(argc, argv, surface, kConsoleRepaintsPerSecond, true);
    return 0;
}
