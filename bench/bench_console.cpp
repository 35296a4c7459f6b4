// SPDX-License-Identifier: GPL-3.0-or-later
// How fast the console takes characters one at a time, as the receive event delivers them, with
// 10 KB and with 1 MB already held. The view is shown and the event loop runs after every
// character, so each append pays for its repaint. Prints figures; never fails.

#include "window/ConsoleView.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {

constexpr int kAppendedChars = 100'000;
constexpr int kLineWidth = 58; // a register listing's line
constexpr int kViewWidth = 341;
constexpr int kViewHeight = 513;

QString heldLines(qsizetype characters)
{
    QString held;
    held.reserve(characters + kLineWidth + 2);
    while (held.size() < characters)
        held += QString(kLineWidth, u'x') + QStringLiteral("\r\n");
    return held;
}

// Characters per second over kAppendedChars single-character appends.
double appendRate(ConsoleView& view, qsizetype held)
{
    view.setText(heldLines(held));
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kAppendedChars; ++i) {
        if (i % (kLineWidth + 1) == kLineWidth) {
            view.append(u"\r\n"); // a received CR becomes one CR LF append
        } else {
            const QChar c(u'A' + i % 26);
            view.append(QStringView(&c, 1));
        }
        QCoreApplication::processEvents();
    }
    return kAppendedChars / (static_cast<double>(timer.nsecsElapsed()) / 1e9);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    ConsoleView view;
    view.resize(kViewWidth, kViewHeight);
    view.show();
    QCoreApplication::processEvents();

    const double small = appendRate(view, 10'000);
    const double large = appendRate(view, ConsoleView::kMaxChars - 10'000);
    std::printf("console append, one character per event, view shown (%d columns x %d rows)\n",
                view.columns(), view.visibleRows());
    std::printf("  10 KB held: %12.0f characters/s\n", small);
    std::printf("  1 MB held:  %12.0f characters/s\n", large);
    std::printf("  ratio 1 MB / 10 KB: %.2f\n", large / small);
    std::printf("  (the serial line delivers at most 11520 characters/s)\n");
    return 0;
}
