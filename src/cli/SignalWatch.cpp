// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/SignalWatch.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr std::array<int, 2> kWatched{SIGINT, SIGTERM};
// The pipe's ends, for the handler (which may read nothing else). One watch at a time.
int gPipe[2] = {-1, -1};
struct sigaction gPrevious[kWatched.size()];

extern "C" void onSignal(int number)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pipe already holds a signal to act on; losing this one loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(gPipe[1], &byte, 1);
    errno = savedErrno;
}
} // namespace

SignalWatch::SignalWatch(QObject* parent) : QObject(parent)
{
    if (::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        gPipe[0] = gPipe[1] = -1;
        return; // the default handlers stay: a signal then ends the program at once
    }
    notifier_ = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalWatch::readPipe);
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kWatched.size(); ++i)
        ::sigaction(kWatched[i], &action, &gPrevious[i]);
}

SignalWatch::~SignalWatch()
{
    if (!notifier_)
        return;
    for (std::size_t i = 0; i < kWatched.size(); ++i)
        ::sigaction(kWatched[i], &gPrevious[i], nullptr);
    delete notifier_;
    ::close(gPipe[0]);
    ::close(gPipe[1]);
    gPipe[0] = gPipe[1] = -1;
}

void SignalWatch::readPipe()
{
    unsigned char byte = 0;
    while (::read(gPipe[0], &byte, 1) == 1)
        Q_EMIT received(byte);
}
