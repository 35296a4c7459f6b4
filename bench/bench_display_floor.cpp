// SPDX-License-Identifier: GPL-3.0-or-later
// What a repaint rate costs before any of the program's work: a bare widget the size of the scope
// picture, woken by a timer at the scope's block rate (38.4 a second) or the console's repaint
// tick (25 a second), repainting two rows each time or nothing at all. Run it on the display
// the line-rate figures are taken on: the difference between the two is what the toolkit and the
// display path cost per repaint, a floor under the scope's and the console's figures. A last
// stretch repaints an area the size and shape of what a block of the trace changes, the way the
// scope does (the area repainted at once, one copy from a picture per rectangle): the scope's
// figure less this one is what its own work costs. Never fails on speed.
//
//   bench_display_floor [--seconds N] [--x-server-pid PID]

#include "BenchSupport.h"

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QWidget>

#include <cmath>

namespace {
constexpr int kDefaultSeconds = 20;
constexpr int kMsPerSecond = 1000;
constexpr double kConsoleRepaintsPerSecond = 25.0;
constexpr int kRowsRepainted = 2;
constexpr int kWidth = 600;
constexpr int kHeight = 512;

// What a block of the trace changes on screen, as measured on the simulated chip's stream: about
// 48,000 pixels in about seven rectangles. Four pieces side by side at different heights give
// that (a region splits them where their edges differ); their rows move from block to block.
constexpr int kTracePieces = 4;
constexpr int kTracePieceHeight = 80;

enum class Repaint { Nothing, TwoRows, TraceArea };

class Surface : public QWidget
{
public:
    Surface() : picture_(kWidth, kHeight, QImage::Format_RGB32)
    {
        resize(kWidth, kHeight);
        picture_.fill(Qt::darkBlue);
    }

    void repaintTraceArea()
    {
        QRegion area;
        const int width = kWidth / kTracePieces;
        for (int i = 0; i < kTracePieces; ++i) {
            const int top = ((i * 5 + blocks_) * 37) % (kHeight - kTracePieceHeight);
            area += QRect(i * width, top, width, kTracePieceHeight);
        }
        ++blocks_;
        copying_ = true;
        repaint(area);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        if (copying_) {
            for (const QRect& area : event->region())
                painter.drawImage(area, picture_, area);
            return;
        }
        painter.fillRect(event->rect(), (++paints_ % 2) != 0 ? Qt::darkBlue : Qt::black);
    }

private:
    QImage picture_;
    long paints_ = 0;
    int blocks_ = 0;
    bool copying_ = false;
};

// One stretch: a timer at `perSecond`, repainting or not; prints the figures and a result line.
void measure(int argc, char** argv, Surface& surface, double perSecond, Repaint repaint)
{
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, &surface, [&surface, repaint] {
        if (repaint == Repaint::TwoRows)
            surface.repaint(0, 0, surface.width(), kRowsRepainted);
        else if (repaint == Repaint::TraceArea)
            surface.repaintTraceArea();
    });
    tick.start(static_cast<int>(std::lround(kMsPerSecond / perSecond)));
    bench::StreamCost cost(argc, argv);
    cost.start();
    bench::runFor(bench::intOption(argc, argv, "--seconds", kDefaultSeconds) * kMsPerSecond);
    cost.stop();
    const char* const how[] = {"repainting nothing", "repainting two rows each time",
                               "repainting an area like a block of the trace's"};
    const char* const name[] = {"timer ", "repaint ", "trace area "};
    const auto index = static_cast<int>(repaint);
    std::printf("a bare widget woken %.1f times a second, %s\n", perSecond, how[index]);
    const QByteArray what =
        QByteArray("floor ") + name[index] + QByteArray::number(perSecond, 'f', 1) + "/s";
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
    measure(argc, argv, surface, bench::kLineBlocksPerSecond, Repaint::Nothing);
    measure(argc, argv, surface, bench::kLineBlocksPerSecond, Repaint::TwoRows);
    measure(argc, argv, surface, kConsoleRepaintsPerSecond, Repaint::TwoRows);
    measure(argc, argv, surface, bench::kLineBlocksPerSecond, Repaint::TraceArea);
    return 0;
}
